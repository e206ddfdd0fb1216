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

// Puts the data-source name and every row's value into the page's
// controls. 0 on success; 1 when memory ran out or a stored secret is not
// readable, with the rows after it left unbound.
int fillControls(HWND page, SetupContext* context);

// Reads the data-source name and every row's value back from the page's
// controls into the setup context. 0 on success; 1 when memory ran out,
// with the values read so far kept.
int readControls(HWND page, SetupContext* context);
