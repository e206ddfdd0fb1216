// Control binding: moves the attribute values of the setup context into the
// controls of one dialog page and back. Every page binds through the whole
// attribute table; a row whose control is not on the page is left to the
// page that has it.
#pragma once
#include <windows.h>
#include "resources/resource.h"

struct SetupContext;

// Controls that the binding addresses outside the attribute table.
enum : int {
    controlDataSourceName = IDC_DATA_SOURCE_NAME,
    controlDescription = IDC_DESCRIPTION,
    controlNameCompanion = IDC_NAME_LABEL, // disabled together with the name box
};

// The installer's longest data-source name, in bytes of the ANSI code
// page. The name box takes as many characters, which double-byte ones
// fill twice over: the name is measured again when it is saved.
enum : unsigned { dataSourceNameBytes = 32 };

// Puts the data-source name and every row's value into the page's
// controls. 0 on success; 1 when memory ran out or a stored secret is not
// readable, with the rows after it left unbound.
int fillControls(HWND page, SetupContext* context);

// Reads the data-source name and every row's value back from the page's
// controls into the setup context. 0 on success; 1 when memory ran out,
// with the values read so far kept.
int readControls(HWND page, SetupContext* context);

// The first control of the page that holds free text (the name, text
// rows, word lists, secrets) with a character the ANSI code page cannot
// store as itself; 0 when there is none. The controls are Unicode and the
// store is ANSI: such a character would be read back as "?" or as a
// look-alike.
int findUnstorableText(HWND page, const SetupContext* context);
