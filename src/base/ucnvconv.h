// Named character sets through ICU converters, addressed by code-page id.
#pragma once
#include <cstdint>

// ICU converter name for a code-page id; null when the id is not in the
// table (ICU then opens its default converter).
const char* codePageConverterName(uint32_t codePageId);
