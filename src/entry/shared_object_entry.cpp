// The setup library's entry for a POSIX shared library, the counterpart of
// DllMain: unixODBC's SQLConfigDataSource dlopen()s the library named as a
// driver's Setup and calls its ConfigDSN.
//
// The work runs from a static object rather than from constructor and
// destructor functions: static objects are destroyed in the reverse order
// of their construction both at dlclose and at process exit, whereas
// destructor functions run after the static objects' destructors at exit.
// The layers' archives are linked ahead of this file's object
// (src/CMakeLists.txt), so its object is built after their locks and
// static error records and destroyed before them, as the Windows runtime
// orders them around DllMain.
#include "entry/host_libraries.h"
#include "entry/library_lifetime.h"
#include <dlfcn.h>

namespace {
struct LibraryEntry {
    LibraryEntry() {
        // The module handle of this library itself, found through an
        // address inside it; the extra reference that lookup takes is
        // dropped at once, so that dlclose can still unload the library.
        Dl_info info;
        void* self = nullptr;
        if (dladdr(reinterpret_cast<void*>(&attachProcess), &info) && info.dli_fname) {
            self = dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD);
            if (self)
                dlclose(self);
        }
        bindHostLibraries();
        // A shared library cannot refuse to load from here; without the
        // loading thread's record, requests run without an error list.
        attached = attachProcess(self) != 0;
    }
    ~LibraryEntry() {
        if (attached)
            detachProcess();
    }
    bool attached = false;
};

LibraryEntry entry;
} // namespace
