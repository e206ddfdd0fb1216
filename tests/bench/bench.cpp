// Times N silent adds of new data sources through the setup library's
// ConfigDSN against the installer calls such an add must make, made
// directly by this program: SQLWriteDSNToIni and one
// SQLWritePrivateProfileString per table key. Both run in one process,
// in alternating blocks, against the same installer (Wine's odbccp32 on
// Windows, unixODBC's libodbcinst on Linux). Before them: the time to load
// the library and make a first request, and which libraries of the dialog
// that loaded.
//
// usage: rvbench [N] [setup library]
#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif
#include <odbcinst.h>
#include "support/registry_keys.h"
#include "support/stored_keys.h"
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {
#ifdef _WIN32
typedef BOOL(WINAPI* ConfigDsnFunction)(HWND, WORD, LPCSTR, LPCSTR);
const char defaultLibrary[] = "qzifx06s.dll";
void* openLibrary(const char* name) {
    return reinterpret_cast<void*>(LoadLibraryA(name));
}
void* entry(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}
unsigned long processId() {
    return GetCurrentProcessId();
}
#else
typedef BOOL (*ConfigDsnFunction)(HWND, WORD, LPCSTR, LPCSTR);
const char defaultLibrary[] = RV_SETUP_LIBRARY;
void* openLibrary(const char* name) {
    return dlopen(name, RTLD_NOW | RTLD_LOCAL);
}
void* entry(void* library, const char* name) {
    return dlsym(library, name);
}
unsigned long processId() {
    return static_cast<unsigned long>(getpid());
}
#endif

const char driver[] = "Informix Test Driver";

// What an add of this attribute string writes, key by key.
const KeyValues keys = storedWith({{"Description", "bench"},
                                   {"Database", "stores"},
                                   {"HostName", "dbhost"},
                                   {"Service", "1526"},
                                   {"ServerName", "ol_main"},
                                   {"Protocol", "onsoctcp"}});

std::string attributeString(const std::string& name) {
    const char* const entries[] = {"Description=bench", "DB=stores",    "HOST=dbhost",
                                   "SERV=1526",         "SRVR=ol_main", "PRO=onsoctcp"};
    std::string s = "DSN=" + name;
    s += '\0';
    for (const char* e : entries) {
        s += e;
        s += '\0';
    }
    s += '\0';
    return s;
}

bool directAdd(const char* name) {
    if (!SQLWriteDSNToIni(name, driver))
        return false;
    for (const auto& key : keys)
        if (!SQLWritePrivateProfileString(name, key.first.c_str(), key.second.c_str(), "ODBC.INI"))
            return false;
    return true;
}

double seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A data-source name that no earlier add of this run used.
std::string freshName(char kind, int i) {
    return "QzB" + std::to_string(processId()) + kind + std::to_string(i);
}

void removeDataSource(const std::string& name) {
    SQLRemoveDSNFromIni(name.c_str());
#ifdef _WIN32
    // Wine's removal leaves the entries written under HKEY_CURRENT_USER.
    RegDeleteTreeA(HKEY_CURRENT_USER, keyOfDataSource(name).c_str());
#endif
}

// The libraries of the dialog, Test Connect and help that are in the
// process now; a silent request should have loaded none of them.
std::string interactiveLibrariesLoaded() {
    std::string loaded;
#ifdef _WIN32
    for (const char* name :
         {"comctl32.dll", "odbc32.dll", "ole32.dll", "oleaut32.dll", "rpcrt4.dll", "combase.dll"})
        if (GetModuleHandleA(name))
            loaded += std::string(loaded.empty() ? "" : " ") + name;
#endif
    return loaded.empty() ? "none" : loaded;
}

} // namespace

int main(int argc, char** argv) {
    int n = argc > 1 ? std::atoi(argv[1]) : 2000;
    const char* path = argc > 2 ? argv[2] : defaultLibrary;
    if (n <= 0) {
        std::fprintf(stderr, "usage: rvbench [N] [setup library]\n");
        return 2;
    }
    // The host's first request: the library loaded, then one silent add.
    auto start = std::chrono::steady_clock::now();
    void* library = openLibrary(path);
    ConfigDsnFunction configDsn =
        library ? reinterpret_cast<ConfigDsnFunction>(entry(library, "ConfigDSN")) : nullptr;
    if (!configDsn) {
        std::fprintf(stderr, "rvbench: no ConfigDSN in %s\n", path);
        return 2;
    }
    double loaded = seconds(start);
    std::string first = freshName('F', 0);
    if (!configDsn(nullptr, ODBC_ADD_DSN, driver, attributeString(first).data())) {
        std::fprintf(stderr, "rvbench: the first add failed\n");
        return 1;
    }
    double firstRequest = seconds(start);
    std::string librariesLoaded = interactiveLibrariesLoaded();
    removeDataSource(first);
    directAdd(first.c_str()); // the installer's own first-use costs
    removeDataSource(first);

    // Adds of new data sources, through the library and directly, taking
    // turns so that both see the same machine; each is removed again,
    // untimed, so that the profile stays as small as at the start.
    double throughLibrary = 0, direct = 0;
    for (int i = 0; i < n; ++i) {
        std::string viaLibrary = freshName('L', i), viaInstaller = freshName('D', i);
        std::string attributes = attributeString(viaLibrary);
        start = std::chrono::steady_clock::now();
        if (!configDsn(nullptr, ODBC_ADD_DSN, driver, attributes.data())) {
            std::fprintf(stderr, "rvbench: ConfigDSN add %d failed\n", i);
            return 1;
        }
        throughLibrary += seconds(start);
        start = std::chrono::steady_clock::now();
        if (!directAdd(viaInstaller.c_str())) {
            std::fprintf(stderr, "rvbench: direct add %d failed\n", i);
            return 1;
        }
        direct += seconds(start);
        removeDataSource(viaLibrary);
        removeDataSource(viaInstaller);
    }

    std::printf("load of the library:     %8.2f ms\n", loaded * 1e3);
    std::printf("load and first request:  %8.2f ms\n", firstRequest * 1e3);
    std::printf("dialog libraries loaded: %s\n", librariesLoaded.c_str());
    std::printf("%d silent adds of new data sources\n", n);
    std::printf("ConfigDSN:              %8.3f s  (%7.1f us per add)\n", throughLibrary,
                throughLibrary * 1e6 / n);
    std::printf("direct installer calls: %8.3f s  (%7.1f us per add)\n", direct, direct * 1e6 / n);
    std::printf("ratio ConfigDSN/direct: %8.2f\n", direct > 0 ? throughLibrary / direct : 0.0);
    return 0;
}
