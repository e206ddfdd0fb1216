// The save step of a request: writing the data source, or for a file data
// source handing its connection string back to the caller.
#pragma once
#include "setup/basesetu.h"

// Decodes an "OutStrAddr" value: two characters, then the 2 * sizeof(void*)
// hexadecimal digits of the caller's string variable's address, least
// significant byte first. 0 with *address set, or 1 when the value is not
// in that form.
int decodeOutputAddress(const char* value, uint32_t length, char*** address);

// Builds "DRIVER=<driver>;" followed by "keyword=value;" for every row with
// a non-empty value, in table order, and stores it in the caller's variable.
// The string is allocated by this library; a string this request stored
// earlier is freed first. 0 on success, 1 when memory ran out (the variable
// then holds null).
int storeConnectionString(SetupContext* context);

// The translator step of the Connection and Advanced pages: the installer's
// translator dialog, opened on the data source's stored choice; a choice
// made there is appended to the context as three rows (TranslationName,
// TranslationDll, TranslationOption; all empty and "0" for no translator),
// which the save step writes after the table's own keys. 0 when done or
// cancelled, 1 when memory ran out (rows already appended stay).
int chooseTranslator(void* window, SetupContext* context);
