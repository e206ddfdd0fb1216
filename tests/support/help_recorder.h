// Puts a recorder in place of the browser launch while it lives: the help
// URLs that the pages open are kept instead of shown.
#pragma once
#include "help/browser_launch.h"
#include <string>
#include <vector>

class HelpUrlRecorder {
public:
    HelpUrlRecorder() : saved(browserLaunch) {
        urls().clear();
        browserLaunch = {noStep, noStep, noInfoStep, noInfoStep, noInfoStep, record, saved.info};
    }
    ~HelpUrlRecorder() { browserLaunch = saved; }
    HelpUrlRecorder(const HelpUrlRecorder&) = delete;
    HelpUrlRecorder& operator=(const HelpUrlRecorder&) = delete;

    // The URLs opened so far, in order.
    static std::vector<std::string>& urls() {
        static std::vector<std::string> opened;
        return opened;
    }

private:
    static int noStep() { return 0; }
    static int noInfoStep(BrowserInfo*) { return 0; }
    static int record(BrowserInfo*, const char* url, uint32_t length) {
        urls().emplace_back(url, length);
        return 0;
    }
    BrowserLaunch saved;
};
