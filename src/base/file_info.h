// Date and size of a file, for the About page's description of the driver.
#pragma once
#include <cstdint>

enum { fileDateTextSize = 11 }; // "MM/DD/YYYY" and its terminator

// Finds the first file that matches path (wildcards as the platform's file
// search takes them) and returns 0 with dateText (fileDateTextSize bytes)
// set to its last-write date as "MM/DD/YYYY" in UTC, and size to the low 32
// bits of its size; dateText is empty when that time has no date. Returns
// 1, with both outputs untouched, when no file matches.
int getFileDateAndSize(const char* path, char* dateText, uint32_t* size);
