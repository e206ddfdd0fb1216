// Times N silent adds through the setup library's ConfigDSN against the
// installer calls such an add makes, made directly by this program:
// SQLWriteDSNToIni and one SQLWritePrivateProfileString per table key. Both
// run in one process against the same installer (Wine's odbccp32 on
// Windows, unixODBC's libodbcinst on Linux) and the same data-source name.
//
// usage: rvbench [N] [setup library]
#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif
#include <odbcinst.h>
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
const char* const keys[15][2] = {{"Description", "bench"},
                                 {"Database", "stores"},
                                 {"Databases", ""},
                                 {"HostName", "dbhost"},
                                 {"LogonID", ""},
                                 {"Service", "1526"},
                                 {"ServerName", "ol_main"},
                                 {"Protocol", "onsoctcp"},
                                 {"CursorBehavior", "1"},
                                 {"CancelDetectInterval", "0"},
                                 {"EnableInsertCursors", "0"},
                                 {"GetDBListFromInformix", "1"},
                                 {"ApplicationUsingThreads", "1"},
                                 {"UseDefaultLogin", "0"},
                                 {"TrimBlankFromIndexName", "1"}};

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
        if (!SQLWritePrivateProfileString(name, key[0], key[1], "ODBC.INI"))
            return false;
    return true;
}

double seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
} // namespace

int main(int argc, char** argv) {
    int n = argc > 1 ? std::atoi(argv[1]) : 2000;
    const char* path = argc > 2 ? argv[2] : defaultLibrary;
    if (n <= 0) {
        std::fprintf(stderr, "usage: rvbench [N] [setup library]\n");
        return 2;
    }
    void* library = openLibrary(path);
    ConfigDsnFunction configDsn =
        library ? reinterpret_cast<ConfigDsnFunction>(entry(library, "ConfigDSN")) : nullptr;
    if (!configDsn) {
        std::fprintf(stderr, "rvbench: no ConfigDSN in %s\n", path);
        return 2;
    }

    std::string name = "QzBench" + std::to_string(processId());
    std::string attributes = attributeString(name);
    // One of each first: the installer and the setup library load what they
    // need on first use.
    if (!configDsn(nullptr, ODBC_ADD_DSN, driver, attributes.data()) || !directAdd(name.c_str())) {
        std::fprintf(stderr, "rvbench: the first add failed\n");
        return 1;
    }

    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < n; ++i)
        if (!configDsn(nullptr, ODBC_ADD_DSN, driver, attributes.data())) {
            std::fprintf(stderr, "rvbench: ConfigDSN add %d failed\n", i);
            return 1;
        }
    double throughLibrary = seconds(start);

    start = std::chrono::steady_clock::now();
    for (int i = 0; i < n; ++i)
        if (!directAdd(name.c_str())) {
            std::fprintf(stderr, "rvbench: direct add %d failed\n", i);
            return 1;
        }
    double direct = seconds(start);

    SQLRemoveDSNFromIni(name.c_str());
#ifdef _WIN32
    // Wine's removal leaves the entries written under HKEY_CURRENT_USER.
    RegDeleteTreeA(HKEY_CURRENT_USER, ("Software\\ODBC\\ODBC.INI\\" + name).c_str());
#endif
    std::printf("%d silent adds\n", n);
    std::printf("ConfigDSN:            %8.3f s  (%7.1f us per add)\n", throughLibrary,
                throughLibrary * 1e6 / n);
    std::printf("direct installer calls: %6.3f s  (%7.1f us per add)\n", direct, direct * 1e6 / n);
    std::printf("ratio ConfigDSN/direct: %6.2f\n", direct > 0 ? throughLibrary / direct : 0.0);
    return 0;
}
