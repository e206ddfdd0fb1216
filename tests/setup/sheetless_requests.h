// Requests made the way the property sheet makes them, for tests that
// cannot open the sheet.
#pragma once

// Loads the data source oldName with a parent window (nothing is written
// then), sets the name to newName as the General page does and runs the
// write of the save step. The result of the write.
int renameAndSave(const char* driver, const char* oldName, const char* newName);
