// The translator step of the Connection and Advanced pages.
#pragma once
#include "setup/setup_context.h"

// The translator step of the Connection and Advanced pages: the installer's
// translator dialog, opened on the data source's stored choice; a choice
// made there is appended to the context as three rows (TranslationName,
// TranslationDll, TranslationOption; all empty and "0" for no translator),
// which the save step writes after the table's own keys. 0 when done or
// cancelled, 1 when memory ran out (rows already appended stay).
int chooseTranslator(void* window, SetupContext* context);
