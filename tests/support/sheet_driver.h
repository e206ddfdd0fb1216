// Drives the property sheet that a thread shows, from an automation
// thread: waits for the sheet, then runs each step with its window, one
// after the other, letting the sheet's thread catch up in between (a
// pressed button is a posted command).
#pragma once
#include <windows.h>
#include <atomic>
#include <functional>
#include <thread>
#include <vector>

class SheetDriver {
public:
    using Step = std::function<void(HWND sheet)>;
    explicit SheetDriver(std::vector<Step> stepsToRun)
        : steps(std::move(stepsToRun)), thread(GetCurrentThreadId()), worker([this] { drive(); }) {}
    ~SheetDriver() {
        stop = true;
        worker.join();
    }
    // The sheet's window once it showed; null until then.
    HWND sheet() const { return found; }
    // How many steps ran.
    size_t stepsRun() const { return ran; }

    // Lets the sheet's thread handle what was sent and posted to it.
    static void settle(HWND window) {
        DWORD_PTR answer;
        for (int i = 0; i < 3; ++i) {
            Sleep(100);
            SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer);
        }
    }

private:
    static BOOL CALLBACK visit(HWND window, LPARAM self) {
        char className[16] = "";
        GetClassNameA(window, className, sizeof className);
        if (lstrcmpA(className, "#32770") == 0 && IsWindowVisible(window) &&
            FindWindowExA(window, nullptr, "SysTabControl32", nullptr)) {
            reinterpret_cast<SheetDriver*>(self)->found = window;
            return FALSE;
        }
        return TRUE;
    }
    void drive() {
        // Bounded: a sheet that never shows fails the test, not the run.
        for (int i = 0; i < 400 && !stop && !found; ++i) {
            EnumThreadWindows(thread, visit, reinterpret_cast<LPARAM>(this));
            if (!found)
                Sleep(50);
        }
        if (!found)
            return;
        settle(found);
        for (const Step& step : steps) {
            if (stop || !IsWindow(found))
                return;
            step(found);
            ++ran;
            settle(found);
        }
    }

    std::vector<Step> steps;
    DWORD thread;
    std::atomic<HWND> found{nullptr};
    std::atomic<size_t> ran{0};
    std::atomic<bool> stop{false};
    std::thread worker;
};
