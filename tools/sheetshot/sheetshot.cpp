// sheetshot: opens the setup dialog of one data source through the ODBC
// installer, exactly as the ODBC administrator would, and shows its pages
// one after the other so that a script outside Wine can photograph them.
//
//     sheetshot DRIVER DSN DIRECTORY
//
// For page i (0 to 3) it writes DIRECTORY\page-i.rect, the sheet's screen
// rectangle as "left top width height", then waits until the script has
// made DIRECTORY\page-i.done (the photograph is taken) before it shows the
// next page. At the end
// it cancels the sheet, so the data source is left as it was. Exit status
// 0 when every page was photographed.
#include <windows.h>
#include <commctrl.h>
#include <odbcinst.h>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

namespace {
enum { pageCount = 4, waitSteps = 1200, stepMilliseconds = 50 };

struct Run {
    DWORD sheetThread;
    std::string directory;
    std::atomic<HWND> sheet{nullptr};
    std::atomic<int> shots{0};
};

BOOL CALLBACK findSheet(HWND window, LPARAM parameter) {
    auto* run = reinterpret_cast<Run*>(parameter);
    char className[16] = "";
    GetClassNameA(window, className, sizeof className);
    if (lstrcmpA(className, "#32770") == 0 && IsWindowVisible(window) &&
        FindWindowExA(window, nullptr, "SysTabControl32", nullptr)) {
        run->sheet = window;
        return FALSE;
    }
    return TRUE;
}

// Lets the sheet's thread handle what it was sent and paint it.
void settle(HWND sheet) {
    DWORD_PTR answer;
    for (int i = 0; i < 4; ++i) {
        Sleep(150);
        SendMessageTimeoutA(sheet, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer);
    }
}

bool fileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool writeRectangle(const std::string& path, HWND sheet) {
    RECT frame;
    if (!GetWindowRect(sheet, &frame))
        return false;
    FILE* file = std::fopen(path.c_str(), "w");
    if (!file)
        return false;
    std::fprintf(file, "%ld %ld %ld %ld\n", frame.left, frame.top, frame.right - frame.left,
                 frame.bottom - frame.top);
    return std::fclose(file) == 0;
}

// Bounded: a script that never answers ends the run, not the machine.
bool waitFor(const std::string& path) {
    for (int i = 0; i < waitSteps; ++i) {
        if (fileExists(path))
            return true;
        Sleep(stepMilliseconds);
    }
    return false;
}

bool photograph(Run* run, HWND sheet, int index) {
    SendMessageA(sheet, PSM_SETCURSEL, index, 0);
    settle(sheet);
    std::string stem = run->directory + "\\page-" + std::to_string(index);
    return writeRectangle(stem + ".rect", sheet) && waitFor(stem + ".done");
}

void drive(Run* run) {
    for (int i = 0; i < waitSteps && !run->sheet; ++i) {
        EnumThreadWindows(run->sheetThread, findSheet, reinterpret_cast<LPARAM>(run));
        if (!run->sheet)
            Sleep(stepMilliseconds);
    }
    HWND sheet = run->sheet;
    if (!sheet)
        return;
    settle(sheet);
    for (int i = 0; i < pageCount && photograph(run, sheet, i); ++i)
        ++run->shots;
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
}

// The attribute list of the installer: NUL-separated, ended by a second NUL.
std::string dataSourceAttributes(const char* name) {
    std::string attributes = std::string("DSN=") + name;
    attributes.append(2, '\0');
    return attributes;
}
} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: sheetshot DRIVER DSN DIRECTORY\n");
        return 2;
    }
    // The sheet's owner; made before the helper thread starts, since Wine
    // loads its display driver at a thread's first window call.
    HWND owner = CreateWindowA("STATIC", "sheetshot", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                               nullptr, nullptr);
    if (!owner) {
        std::fprintf(stderr, "sheetshot: no window can be made\n");
        return 1;
    }
    Run run;
    run.sheetThread = GetCurrentThreadId();
    run.directory = argv[3];
    std::thread driver([&run] { drive(&run); });
    std::string attributes = dataSourceAttributes(argv[2]);
    SQLConfigDataSource(owner, ODBC_CONFIG_DSN, argv[1], attributes.data());
    driver.join();
    DestroyWindow(owner);
    if (run.shots != pageCount) {
        std::fprintf(stderr, "sheetshot: %d of %d pages photographed\n", run.shots.load(),
                     pageCount);
        return 1;
    }
    return 0;
}
