// A file data source's save: its connection string handed back to the
// caller through the string variable whose address "OutStrAddr" gives.
#pragma once
#include "setup/setup_context.h"

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
