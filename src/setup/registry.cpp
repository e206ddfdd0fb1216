#include "registry.h"
#include "perthred.h"

// The installer library bound for profile reads, guarded by profileLock.
static PlatModule profileInstaller = nullptr;
RvCriticalSection profileLock;

void unbindInstallerProfileFunctions() {
    profileLock.enter();
    if (profileInstaller) {
        platFreeLibrary(profileInstaller);
        profileInstaller = nullptr;
    }
    profileLock.leave();
}
