// Reads and answers the message boxes of a thread from an automation
// thread, so that tests can check what a user would have been shown.
#pragma once
#include <windows.h>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct Box {
    std::string caption, text, buttons, icon;
    HWND owner;
    HWND window;           // gone once the box's thread has left it
    int defaultButton = 0; // the id Enter presses
};

// Reads and answers every message box of the calling thread while it lives:
// box i is answered with answers[i] when given, else with OK. While a box
// is up, before it is answered, whileShown runs with what it shows (on the
// watching thread), as a user may reach for other windows then.
class BoxWatcher {
public:
    explicit BoxWatcher(std::vector<int> answersByBox = {},
                        std::function<void(const Box&)> whileShown = nullptr)
        : answers(std::move(answersByBox)), shown(std::move(whileShown)),
          thread(GetCurrentThreadId()), worker([this] { watch(); }) {}
    ~BoxWatcher() {
        stop = true;
        worker.join();
    }
    std::vector<Box> boxes() {
        std::lock_guard<std::mutex> hold(lock);
        return seen;
    }

private:
    static BOOL CALLBACK visit(HWND window, LPARAM self) {
        reinterpret_cast<BoxWatcher*>(self)->answer(window);
        return TRUE;
    }
    static BOOL CALLBACK visitChild(HWND child, LPARAM box) {
        char className[16] = "", text[64] = "";
        GetClassNameA(child, className, sizeof className);
        Box* b = reinterpret_cast<Box*>(box);
        if (_stricmp(className, "Button") == 0 && IsWindowVisible(child)) {
            GetWindowTextA(child, text, sizeof text);
            b->buttons += b->buttons.empty() ? "" : "|";
            if ((GetWindowLongA(child, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
                b->defaultButton = GetDlgCtrlID(child);
            for (const char* p = text; *p; ++p)
                if (*p != '&')
                    b->buttons += *p;
        } else if (_stricmp(className, "Static") == 0 &&
                   (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
            HICON icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
            if (icon == LoadIcon(nullptr, IDI_WARNING))
                b->icon = "warning";
            else if (icon)
                b->icon = "other";
        }
        return TRUE;
    }
    void answer(HWND window) {
        char className[16] = "";
        GetClassNameA(window, className, sizeof className);
        // Message boxes only: other dialogs of the thread (a property
        // sheet) have no text control 0xFFFF.
        if (std::strcmp(className, "#32770") != 0 || !IsWindowVisible(window) ||
            !GetDlgItem(window, 0xFFFF))
            return;
        Box box;
        char caption[256] = "", text[1024] = "";
        GetWindowTextA(window, caption, sizeof caption);
        // The text of a message box is its static control 0xFFFF.
        GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
        box.caption = caption;
        box.text = text;
        box.icon = "none";
        box.owner = GetWindow(window, GW_OWNER);
        box.window = window;
        EnumChildWindows(window, visitChild, reinterpret_cast<LPARAM>(&box));
        size_t index;
        {
            std::lock_guard<std::mutex> hold(lock);
            index = seen.size();
            seen.push_back(box);
        }
        if (shown)
            shown(box);
        int button = index < answers.size() ? answers[index] : IDOK;
        // The box ends (and hides) before SendMessage returns.
        SendMessageA(window, WM_COMMAND, button, 0);
    }
    void watch() {
        // Bounded: nothing can keep a test waiting on a box for long.
        for (int i = 0; i < 6000 && !stop; ++i) {
            EnumThreadWindows(thread, visit, reinterpret_cast<LPARAM>(this));
            Sleep(5);
        }
    }

    std::vector<int> answers;
    std::function<void(const Box&)> shown;
    DWORD thread;
    std::mutex lock;
    std::vector<Box> seen;
    volatile bool stop = false;
    std::thread worker;
};
