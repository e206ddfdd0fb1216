// Named character sets through ICU converters, addressed by code-page id.
#pragma once
#include <cstdint>

// One row of the code-page table: an id and the name of the ICU converter
// for it (null: ICU's default converter).
struct CodePageRow {
    uint32_t id;
    const char* converter;
};

// ICU converter name for a code-page id; null when the id is not in the
// table (ICU then opens its default converter).
const char* codePageConverterName(uint32_t codePageId);
// The whole table, sorted by id, and its number of rows.
const CodePageRow* codePageRows();
uint32_t codePageRowCount();
