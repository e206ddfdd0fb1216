#include "sheetless_requests.h"
#include "base/allocation.h"
#include "setup/setup_context.h"
#include <cstring>
#include <string>

int renameAndSave(const char* driver, const char* oldName, const char* newName) {
    std::string attributes = std::string("DSN=") + oldName;
    attributes.append(2, '\0');
    SetupContext context;
    int window = 0;
    initSetupContext(&context, &window, requestConfigDsn, driver, attributes.data(), attributeTable,
                     attributeTableCount);
    uint16_t wantsSheet = 0;
    int result = loadSetupContext(&context, &wantsSheet);
    if (result && wantsSheet) {
        size_t n = std::strlen(newName);
        char* name = static_cast<char*>(rvAlloc(n + 1));
        if (!name) {
            destroySetupContext(&context);
            return 0;
        }
        std::memcpy(name, newName, n + 1);
        rvFree(context.dataSourceName);
        context.dataSourceName = name;
        result = saveDataSource(&context) == saveDone;
    }
    destroySetupContext(&context);
    return result;
}
