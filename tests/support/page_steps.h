// A test's steps, run inside a running property sheet by one of its pages:
// each step gets the sheet window and runs only after what the step before
// posted (a pressed button is a posted command) has been handled.
#pragma once
#include <windows.h>
#include <functional>
#include <vector>

struct PageSteps {
    std::vector<std::function<void(HWND sheet)>> steps;
    size_t next = 0;

    void set(std::vector<std::function<void(HWND sheet)>> toRun) {
        steps = std::move(toRun);
        next = 0;
    }
    // The page starts the steps once the sheet is up.
    static void start(HWND page) { PostMessageA(page, WM_APP, 0, 0); }
    // Runs the next step on the page's WM_APP; false for any other message.
    bool handle(HWND page, UINT message) {
        if (message != WM_APP)
            return false;
        if (next < steps.size())
            steps[next++](GetParent(page));
        if (next < steps.size())
            start(page);
        return true;
    }
};
