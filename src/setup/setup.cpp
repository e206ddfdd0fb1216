#include "setup.h"
#include "basesetu.h"
#include "instshim.h"
#include "libmain.h"
#include "../dialog/utility.h"
#ifdef _WIN32
#include "sheetsetu.h"
#endif

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
    if (result && wantsSheet) {
#ifdef _WIN32
        result = runSetupSheet(&context);
#else
        // There is no property sheet outside Windows: a request that needs
        // one cannot be carried out.
        result = 0;
#endif
    }
    destroySetupContext(&context);
    return result ? 1 : 0;
}

// The build version; the About page shows the same text.
extern "C" const char* getFileVersionString() {
    return "06.00.0064 (b0062, U0054)";
}
