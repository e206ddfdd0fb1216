// The browser launch: what a help request hands its URL to. It finds the
// user's default browser and opens the URL in it (a running browser
// through DDE or Internet Explorer automation, else a new browser process).
//
// The help request reaches it only through the table browserLaunch, so a
// test can put recording stand-ins in its place. Results are 0 for
// success, -1 for failure.
#pragma once
#include <cstdint>

// The default browser's description, owned by the browser launch; the
// help request only passes it back.
struct BrowserInfo;

// The browser launch's entry points, in the order a help request calls
// them: layer start, record preparation, then for the URL discovery and
// opening, and at the end record release and layer stop.
int browserLayerStart();
int browserLayerStop(); // always 0
int prepareBrowserInfo(BrowserInfo* info);
int releaseBrowserInfo(BrowserInfo* info);
int discoverBrowser(BrowserInfo* info);
// The hand-off of the finished help URL: length bytes of url, which need
// not be terminated. Refuses a null url or a length of 0.
int openUrl(BrowserInfo* info, const char* url, uint32_t length);

struct BrowserLaunch {
    int (*layerStart)();
    int (*layerStop)();
    int (*prepareInfo)(BrowserInfo* info);
    int (*releaseInfo)(BrowserInfo* info);
    int (*discover)(BrowserInfo* info);
    int (*openUrl)(BrowserInfo* info, const char* url, uint32_t length);
    BrowserInfo* info; // the module-wide record handed to the calls above
};
// Initially the entry points above and the browser launch's own record.
extern BrowserLaunch browserLaunch;
