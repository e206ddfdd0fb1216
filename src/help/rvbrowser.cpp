// Stand-in for the browser launch until it is built: the layer never
// starts, so a help request ends quietly before any URL is built, and
// every operation that needs a started layer refuses, as it would on a
// machine where the layer cannot start. Nothing here opens a URL by other
// means: the user would get a browser chosen by rules other than the
// launch's own.
#include "rvbrowser.h"

struct BrowserInfo {
    int32_t reserved;
};

namespace {
BrowserInfo defaultBrowser;
} // namespace

int browserLayerStart() {
    return -1;
}

int browserLayerStop() {
    return 0;
}

int prepareBrowserInfo(BrowserInfo*) {
    return -1;
}

int releaseBrowserInfo(BrowserInfo*) {
    return -1;
}

int discoverBrowser(BrowserInfo*) {
    return -1;
}

int openUrl(BrowserInfo*, const char*, uint32_t) {
    return -1;
}

BrowserLaunch browserLaunch = {browserLayerStart,  browserLayerStop, prepareBrowserInfo,
                               releaseBrowserInfo, discoverBrowser,  openUrl,
                               &defaultBrowser};
