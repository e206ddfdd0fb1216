// The browser launch: what a help request hands its URL to. It finds the
// user's default browser and opens the URL in it (a running browser
// through DDE or Internet Explorer automation, else a new browser process).
//
// The help request reaches it only through the table browserLaunch, so a
// test can put recording stand-ins in its place. Results are 0 for
// success, -1 for failure.
#pragma once
#include <cstdint>

enum {
    browserCommandBytes = 4096, // command template, command line and target
    browserServiceBytes = 256,  // DDE service name, file class name
    browserTagBytes = 1024,     // instance tag
    browserPathBytes = 4096,    // redirect page path
};
// "No particular browser window" for a DDE request.
const uint32_t browserWindowNone = 0xFFFFFFFFu;

// The default browser's description: filled from the registry before each
// URL is opened.
struct BrowserInfo {
    int32_t useContextHandoff;             // hand the URL to an open help frame
    int32_t isMozillaFamily;               // class NetscapeMarkup, MozillaHTML or FirefoxHTML
    int32_t isNetscape;                    // class NetscapeMarkup
    int32_t isInternetExplorer;            // DDE service "IExplore"
    char openCommand[browserCommandBytes]; // shell\open\command template
    char ddeService[browserServiceBytes];  // empty: no DDE service
    uint32_t ddeWindowId;                  // browserWindowNone: none
    char* helpLocation;                    // owned: the help root URL without its scheme, or null
    // The help request's root URL, handed down by the request for its
    // length; null outside one.
    const char* helpRootUrl;
};

// The browser launch's entry points, in the order a help request calls
// them: layer start, record preparation, then for the URL discovery and
// opening, and at the end record release and layer stop.
int browserLayerStart();
int browserLayerStop(); // always 0
int prepareBrowserInfo(BrowserInfo* info);
int releaseBrowserInfo(BrowserInfo* info);
int discoverBrowser(BrowserInfo* info);
// The hand-off of the finished help URL: length bytes of url, which need
// not be terminated, protected (protectUrl) before it goes anywhere.
// Refuses a null url or a length of 0.
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

// The steps behind openUrl. Owned results are rvAlloc blocks, terminated,
// that the caller frees with rvFree; their length excludes the terminator.

// Empties the flags and texts; the window id becomes none only when it is 0.
void resetBrowserInfo(BrowserInfo* info);
// The path of the request's redirect page ("" while the layer is stopped)
// and the tag that names this request to a browser.
const char* browserRedirectFileName();
const char* browserInstanceTag();
// The request's DDE client instance; 0 while the layer is stopped.
uint32_t browserDdeInstance();
// An owned copy of exactly length bytes.
int copyUrl(const char* url, uint32_t length, char** out, uint32_t* outLength);
// The URL with '"', '%', '&', '\'', '?' and '\\' written as %xx (lower-case
// hexadecimal), so that it survives inside a quoted script string. A
// double-byte character goes whole only when its second byte is a trail
// byte of the code page; a lead byte without one stands alone.
int escapeForHandoff(const char* url, uint32_t length, char** out, uint32_t* outLength);
// The URL with every byte that could end or bend a quoted command-line
// argument or the redirect page's script string written as %xx: '"',
// '\\', '<', '>', control bytes and a lead byte without its trail byte.
// Everything else stays ('%' too), so protecting a protected URL changes
// nothing. Fails for null, a length of 0 or a result too long to count.
int protectUrl(const char* url, uint32_t length, char** out, uint32_t* outLength);
// The javascript: URL that passes url to the help frame of a window that
// has one and does nothing in any other window.
int makeHandoffUrl(const char* url, uint32_t length, char** out, uint32_t* outLength);
// Writes the page that replaces itself with url (protected) to the redirect
// page path, declaring the character set of the ANSI code page.
int writeRedirectPage(const char* url, uint32_t length);
// A part of a file's content.
struct FilePiece {
    const char* bytes;
    uint32_t length;
};
// Writes the pieces, in order, to a new file at the redirect page path.
// Nothing that exists there is opened: a file or link of someone else's
// stays as it is and the write fails. A file this request wrote before is
// replaced. 0 when every piece was written and the file closed.
int writeRedirectFile(const FilePiece* pieces, int count);
// Removes the page, and its placeholder, that the last request left for
// the browser it started; the next request and the library's unload do
// so too.
void removePageLeftForBrowser();
// The command line that starts the browser for url into out
// (browserCommandBytes): the first "%1" of the template replaced by the
// target, else the target appended in double quotes. The target is url
// (protected), or for a file: URL outside the Mozilla family the redirect
// page, which is written here. Refuses what would not fit whole.
int buildLaunchCommand(const BrowserInfo* info, const char* url, uint32_t length, char* out);
// Starts the browser with that command line; does not wait for it.
int launchBrowser(BrowserInfo* info, const char* url, uint32_t length);
// Sets helpLocation from the help request's root URL (helpRootUrl).
int deriveHelpLocation(BrowserInfo* info);
void removePageLeftForBrowser();

// The text with every "%xx" decoded to its byte; a "%" followed by fewer
// than two characters is dropped, and one followed by two that are not
// both hexadecimal digits is kept as it stands. Fails for null, a length
// of 0 or an empty result.
int unescapeUrl(const char* text, uint32_t length, char** out, uint32_t* outLength);
// Lower-cases each byte with the C runtime's tolower.
void toLowerInPlace(char* text);
// Whether an Internet Explorer window's location shows the help at
// helpLocation: the location holds it as it stands or in other letter
// case, before or after its %xx sequences are decoded.
bool locationShowsHelp(const char* location, const char* helpLocation);

// A class identifier in binary form.
struct BrowserClassId {
    uint32_t data1;
    uint16_t data2, data3;
    uint8_t data4[8];
};
// "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX" (36 characters, no braces) to
// binary; -1 for null or any other form.
int parseClassIdText(const char* text, BrowserClassId* out);
// The shell-windows collection's class, parsed when the layer started.
const BrowserClassId* browserShellWindowsClassId();
