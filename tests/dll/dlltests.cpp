// Loads the built DLLs the way the ODBC installer does (LoadLibrary by full
// path, GetProcAddress by undecorated name) and checks what a host sees:
// the setup library's exports and version, and the per-thread records of
// the core library across real loads and unloads, watched through the
// test-only rvprobe.dll.
#include "rvversion.h"
#include <cstdio>
#include <windows.h>
#include <gtest/gtest.h>
#include <clocale>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace {

// Directory of this program, which the build shares with the DLLs.
std::string binDirectory() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path, n < MAX_PATH ? n : 0);
    size_t slash = dir.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : dir.substr(0, slash + 1);
}

HMODULE loadFromBin(const char* name) {
    return LoadLibraryA((binDirectory() + name).c_str());
}

template <typename F> F entry(HMODULE module, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Names in the export directory of a loaded module, read from its image.
std::vector<std::string> exportedNames(HMODULE module, std::string* dllName) {
    const unsigned char* base = reinterpret_cast<const unsigned char*>(module);
    const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const IMAGE_NT_HEADERS* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    std::vector<std::string> names;
    if (!dir.VirtualAddress || !dir.Size)
        return names;
    const IMAGE_EXPORT_DIRECTORY* exports =
        reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
    *dllName = reinterpret_cast<const char*>(base + exports->Name);
    const DWORD* nameRvas = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    for (DWORD i = 0; i < exports->NumberOfNames; ++i)
        names.push_back(reinterpret_cast<const char*>(base + nameRvas[i]));
    return names;
}

class SetupDll : public testing::Test {
protected:
    void SetUp() override {
        module = loadFromBin("qzifx06s.dll");
        ASSERT_NE(nullptr, module) << "LoadLibrary of " << binDirectory()
                                   << "qzifx06s.dll failed, error " << GetLastError();
    }
    void TearDown() override {
        if (module)
            FreeLibrary(module);
    }
    HMODULE module = nullptr;
};

TEST_F(SetupDll, GetFileVersionStringAnswersTheBuildVersion) {
    auto version = entry<const char* (*)()>(module, "getFileVersionString");
    ASSERT_NE(nullptr, version);
    EXPECT_STREQ(RV_FILE_VERSION_STRING, version());
    // The text the build makes from the project's version and numbers.
    char expected[64];
    std::snprintf(expected, sizeof expected, "%02d.%02d.%04d (b%04d, U%04d)", RV_VERSION_MAJOR,
                  RV_VERSION_MINOR, RV_VERSION_PATCH, RV_BUILD_NUMBER, RV_UPDATE_NUMBER);
    EXPECT_STREQ(expected, version());
}

TEST_F(SetupDll, ExportsOnlyItsEntryPointsUnderUndecoratedNames) {
    std::string dllName;
    std::vector<std::string> names = exportedNames(module, &dllName);
    EXPECT_STRCASEEQ("qzifx06s.dll", dllName.c_str());
    // The installer finds ConfigDSN by its plain name; no C++ or stdcall
    // decoration and nothing of the test probes may show.
    const std::set<std::string> allowed = {"ConfigDSN", "getFileVersionString"};
    bool hasVersion = false;
    for (const std::string& name : names) {
        EXPECT_EQ(std::string::npos, name.find('@')) << name;
        EXPECT_NE('_', name[0]) << name;
        EXPECT_NE('?', name[0]) << name;
        EXPECT_TRUE(allowed.count(name)) << "unexpected export " << name;
        hasVersion |= name == "getFileVersionString";
    }
    EXPECT_TRUE(hasVersion);
}

// What a host that adds data sources silently sees of the library: its own
// C runtime locale untouched, and none of the libraries that only the
// dialog, Test Connect and help use loaded into its process.
class SilentHost : public testing::Test {
protected:
    typedef BOOL(WINAPI* ConfigDsnFunction)(HWND, WORD, LPCSTR, LPCSTR);

    // Loads the library, makes two silent requests that parse, read and
    // classify text without storing anything (a name the installer
    // refuses, a removal of a name nobody stored), unloads it; check runs
    // after each step.
    template <typename Check> void loadRequestUnload(Check check) {
        HMODULE module = loadFromBin("qzifx06s.dll");
        ASSERT_NE(nullptr, module);
        check("after the load");
        auto configDsn = entry<ConfigDsnFunction>(module, "ConfigDSN");
        ASSERT_NE(nullptr, configDsn);
        static const char refused[] = "DSN=Qz[refused]\0Description= a b \0DB=x\0\0";
        static const char removal[] = "DSN=QzNeverStored\0\0";
        EXPECT_FALSE(configDsn(nullptr, 1, "IBM INFORMIX ODBC DRIVER", refused));
        configDsn(nullptr, 3, "IBM INFORMIX ODBC DRIVER", removal);
        check("after the requests");
        FreeLibrary(module);
        check("after the unload");
    }
};

TEST_F(SilentHost, TheRuntimeLocaleStaysAsTheHostSetIt) {
    for (const char* hostLocale : {"C", "Japanese_Japan.932"}) {
        if (!setlocale(LC_ALL, hostLocale))
            continue;
        std::string before = setlocale(LC_ALL, nullptr);
        loadRequestUnload(
            [&](const char* when) { EXPECT_EQ(before, setlocale(LC_ALL, nullptr)) << when; });
    }
    setlocale(LC_ALL, "C");
}

TEST_F(SilentHost, NoLibraryOfTheDialogTestConnectOrHelpIsLoaded) {
    const char* const onlyInteractive[] = {"comctl32.dll", "odbc32.dll", "ole32.dll",
                                           "oleaut32.dll"};
    for (const char* name : onlyInteractive)
        ASSERT_EQ(nullptr, GetModuleHandleA(name)) << name << " was loaded before the test";
    loadRequestUnload([&](const char* when) {
        for (const char* name : onlyInteractive)
            EXPECT_EQ(nullptr, GetModuleHandleA(name)) << name << " " << when;
    });
}

// rvprobe.dll and its probe functions.
struct Probe {
    HMODULE module = nullptr;
    long (*recordCount)() = nullptr;
    int (*touchSlot)() = nullptr;
    long (*recordsOfThread)(uint32_t) = nullptr;
    long (*allocLive)() = nullptr;
    void (*reportLiveAtUnload)(volatile long*) = nullptr;

    bool load() {
        module = loadFromBin("rvprobe.dll");
        if (!module)
            return false;
        recordCount = entry<long (*)()>(module, "probeThreadRecordCount");
        touchSlot = entry<int (*)()>(module, "probeTouchSlot");
        recordsOfThread = entry<long (*)(uint32_t)>(module, "probeRecordsOfThread");
        allocLive = entry<long (*)()>(module, "probeAllocLive");
        reportLiveAtUnload = entry<void (*)(volatile long*)>(module, "probeReportLiveAtUnload");
        return recordCount && touchSlot && recordsOfThread && allocLive && reportLiveAtUnload;
    }
    void unload() {
        if (module)
            FreeLibrary(module);
        module = nullptr;
    }
    ~Probe() { unload(); }
};

// Threads that each touch their slot once, all at the same moment, and stay
// alive until released so that no thread id can be reused meanwhile. They
// wait for the start by spinning rather than on an event: an event's
// waiters are woken one after another, which would rarely let two first
// touches overlap.
class TouchingThreads {
public:
    TouchingThreads(Probe& probe, int count) : probe(probe) {
        release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        for (int i = 0; i < count; ++i) {
            DWORD id = 0;
            HANDLE thread = CreateThread(nullptr, 0, run, this, 0, &id);
            if (thread) {
                threads.push_back(thread);
                ids.push_back(id);
            }
        }
    }
    ~TouchingThreads() {
        go = 1;
        SetEvent(release);
        if (!threads.empty())
            WaitForMultipleObjects(static_cast<DWORD>(threads.size()), threads.data(), TRUE, 10000);
        for (HANDLE thread : threads)
            CloseHandle(thread);
        CloseHandle(release);
    }
    size_t size() const { return threads.size(); }
    // Waits (bounded) until count threads have reached the given stage.
    bool waitFor(volatile LONG& stage, LONG count) {
        for (int i = 0; i < 10000 && stage < count; ++i)
            Sleep(1);
        return stage >= count;
    }
    void start() { InterlockedExchange(&go, 1); }
    // Lets every thread touch its slot a second time and end.
    bool finish() {
        SetEvent(release);
        return WaitForMultipleObjects(static_cast<DWORD>(threads.size()), threads.data(), TRUE,
                                      10000) < WAIT_OBJECT_0 + threads.size();
    }

    volatile LONG ready = 0;
    volatile LONG touched = 0;
    volatile LONG failedTouches = 0;
    std::vector<DWORD> ids;

private:
    static DWORD WINAPI run(void* context) {
        TouchingThreads* self = static_cast<TouchingThreads*>(context);
        InterlockedIncrement(&self->ready);
        for (DWORD begin = GetTickCount(); !self->go && GetTickCount() - begin < 10000;)
            YieldProcessor();
        if (!self->probe.touchSlot())
            InterlockedIncrement(&self->failedTouches);
        InterlockedIncrement(&self->touched);
        WaitForSingleObject(self->release, 10000);
        if (!self->probe.touchSlot())
            InterlockedIncrement(&self->failedTouches);
        return 0;
    }

    Probe& probe;
    volatile LONG go = 0;
    HANDLE release;
    std::vector<HANDLE> threads;
};

TEST(ThreadRecords, LoadingGivesTheLoadingThreadTheOnlyRecord) {
    Probe probe;
    ASSERT_TRUE(probe.load()) << "rvprobe.dll or a probe function missing";
    EXPECT_EQ(1, probe.recordCount());
    EXPECT_EQ(1, probe.recordsOfThread(GetCurrentThreadId()));
    EXPECT_EQ(1, probe.touchSlot());
    EXPECT_EQ(1, probe.recordCount());
}

TEST(ThreadRecords, ThreadsTouchingAtOnceEachGetOneRecordAndNoneIsLost) {
    const int threadCount = 16;
    // Several rounds, each on a fresh load, to give the append race chances.
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        Probe probe;
        ASSERT_TRUE(probe.load());
        TouchingThreads threads(probe, threadCount);
        ASSERT_EQ(static_cast<size_t>(threadCount), threads.size());
        ASSERT_TRUE(threads.waitFor(threads.ready, threadCount));
        // Starting threads makes no records; the first slot access does.
        EXPECT_EQ(1, probe.recordCount());

        threads.start();
        ASSERT_TRUE(threads.waitFor(threads.touched, threadCount));
        EXPECT_EQ(0, threads.failedTouches);
        EXPECT_EQ(threadCount + 1, probe.recordCount());
        for (DWORD id : threads.ids)
            EXPECT_EQ(1, probe.recordsOfThread(id)) << "thread " << id;

        // Touching again, on those threads or the loading one, finds the
        // records that are there.
        ASSERT_TRUE(threads.finish());
        EXPECT_EQ(0, threads.failedTouches);
        EXPECT_EQ(1, probe.touchSlot());
        EXPECT_EQ(threadCount + 1, probe.recordCount());
    }
}

TEST(ThreadRecords, UnloadFreesEveryRecordAndALaterLoadStartsFromOne) {
    Probe probe;
    ASSERT_TRUE(probe.load());
    long liveAfterLoad = probe.allocLive();
    {
        TouchingThreads threads(probe, 3);
        threads.start();
        ASSERT_TRUE(threads.waitFor(threads.touched, 3));
        ASSERT_TRUE(threads.finish());
    }
    EXPECT_EQ(4, probe.recordCount());
    EXPECT_EQ(liveAfterLoad + 3, probe.allocLive());

    volatile long liveAtUnload = -1;
    probe.reportLiveAtUnload(&liveAtUnload);
    probe.unload();
    EXPECT_EQ(nullptr, GetModuleHandleA("rvprobe.dll")) << "FreeLibrary did not unload";
    EXPECT_EQ(0, liveAtUnload) << "allocations left after process detach";

    ASSERT_TRUE(probe.load());
    EXPECT_EQ(1, probe.recordCount());
    EXPECT_EQ(1, probe.recordsOfThread(GetCurrentThreadId()));
    EXPECT_EQ(liveAfterLoad, probe.allocLive());
}

// A process that ends while another of its threads holds the library's
// locks: the detach at exit waits for none of them and frees nothing, so
// the process ends at once with its own status.
TEST(ProcessExit, TheDetachAtExitTakesNoLockAndFreesNothing) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, &inherit, 0));
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = writeEnd;
    PROCESS_INFORMATION child = {};
    std::string command = binDirectory() + "exitchild.exe";
    ASSERT_TRUE(CreateProcessA(command.c_str(), nullptr, nullptr, nullptr, TRUE, 0, nullptr,
                               binDirectory().c_str(), &startup, &child));
    CloseHandle(writeEnd);
    DWORD waited = WaitForSingleObject(child.hProcess, 20000);
    if (waited != WAIT_OBJECT_0)
        TerminateProcess(child.hProcess, 99);
    DWORD status = 0;
    GetExitCodeProcess(child.hProcess, &status);
    char output[256] = {};
    DWORD n = 0;
    ReadFile(readEnd, output, sizeof output - 1, &n, nullptr);
    CloseHandle(readEnd);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    ASSERT_EQ(WAIT_OBJECT_0, waited) << "the process hung in its exit";
    EXPECT_EQ(3u, status);
    long live = -1;
    ASSERT_EQ(1, std::sscanf(output, "live at unload %ld", &live)) << output;
    EXPECT_LT(0, live) << "the detach at exit freed the per-thread records";
}

} // namespace
