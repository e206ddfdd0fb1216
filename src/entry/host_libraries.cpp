#include "entry/host_libraries.h"
#include "base/platform.h"
#include "resources/resource.h"

namespace {
#define RV_STRING(id, text) {id, text},
const PlatStringEntry resourceStrings[] = {
#include "resources/strings.inc"
};
#undef RV_STRING
} // namespace

void bindHostLibraries() {
    platAddBuiltInLibrary("R.DLL", resourceStrings,
                          sizeof resourceStrings / sizeof resourceStrings[0]);
    // The ODBC installer of a Linux host is unixODBC's, with the same entry
    // points as the Windows one.
    platAddLibraryAlias("odbccp32.dll", "libodbcinst.so.2");
}
