// Exported entry points of the setup library.
#pragma once
#include "base/platform.h"
#include <cstdint>

// The ODBC installer's entry point: adds (1), configures (2) or removes (3)
// a data source of the driver. Without a parent window the attribute string
// alone decides. TRUE (1) or FALSE (0).
extern "C" PLAT_EXPORT int PLAT_STDCALL ConfigDSN(void* parentWindow, uint16_t request,
                                                  const char* driverName, const char* attributes);
extern "C" PLAT_EXPORT const char* getFileVersionString();
