// The DDE conversations with a running browser: "WWW_Version" to see that
// it answers, "WWW_OpenURL" to hand it a URL and "WWW_Activate" to bring
// its window forward. Results are 0 for success, -1 for failure.
#pragma once
#include "help/browser_launch.h"

enum { browserDdeItemBytes = 4096 };
// Longer items do not fit a DDE string handle.
enum { browserDdeItemLimit = 255 };

// 0 when the browser's service accepts a "WWW_Version" request; the answer
// is not waited for.
int ddeProbeVersion(BrowserInfo* info);
// "WWW_OpenURL" with text, then "WWW_Activate" whatever that answers.
int ddeOpenAndActivate(BrowserInfo* info, const char* text, uint32_t length);
// The "WWW_OpenURL" request, sent again without a window when the
// browser's window answers 0; sets ddeWindowId on success.
int ddeOpenUrl(BrowserInfo* info, const char* text, uint32_t length);
// The "WWW_OpenURL" item into out (browserDdeItemBytes):
// "<text>",,<window>,0,,,<tag>. An item over browserDdeItemLimit
// characters fails, except for Netscape, which is given the text in the
// redirect page file and its name after a caret instead. Refuses what
// would not fit out whole, and text holding a NUL (it would end the item).
int buildOpenUrlItem(const BrowserInfo* info, const char* text, uint32_t length, char* out);
// "WWW_Activate" for ddeWindowId: 0 when the browser answered.
int ddeActivate(BrowserInfo* info);
