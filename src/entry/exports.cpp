#include "entry/exports.h"
#include "setup/setup_context.h"
#include "store/installer_shim.h"
#include "entry/library_lifetime.h"
#include "base/resource_library.h"
#include "entry/sheet_run.h"
#include "rvversion.h"

extern "C" int PLAT_STDCALL ConfigDSN(void* parentWindow, uint16_t request, const char* driverName,
                                      const char* attributes) {
    // The resource library stays loaded from the first request on; a
    // failure here leaves message texts empty but the request can proceed.
    if (!resourceLibrary)
        loadResourceLibrary(libraryModule, 1, &resourceLibrary, &resourceLibraryUses);

    beginInstallerRequest();
    SetupContext context;
    initSetupContext(&context, parentWindow, request, driverName, attributes, attributeTable,
                     attributeTableCount);
    uint16_t wantsSheet = 0;
    int result = loadSetupContext(&context, &wantsSheet);
    if (result && wantsSheet)
        result = runSetupSheet(&context);
    destroySetupContext(&context);
    return result ? 1 : 0;
}

// The build version; the About page shows the same text.
extern "C" const char* getFileVersionString() {
    return RV_FILE_VERSION_STRING;
}
