// The browser launch. The default browser is found from the file-type
// associations of ".htm"; a URL goes to a browser that is already running
// when one answers, else a new browser process is started with it.
//
// A running browser is reached over DDE (browser_dde.cpp), Internet
// Explorer through the shell's collection of its windows (browser_shell.cpp).
#include "help/browser_launch.h"
#include "help/browser_dde.h"
#include "help/browser_shell.h"
#include "base/allocation.h"
#include "base/multibyte_text.h"
#include "base/platform.h"
#include "store/registry.h"
#include <cctype>
#include <cstdio>
#include <ctime>

namespace {
BrowserInfo defaultBrowser;

bool browserLayerActive = false;
uint32_t ddeInstance = 0;
char instanceTag[browserTagBytes];
char redirectFileName[browserPathBytes];
// Whether this request has a file of its own at redirectFileName.
bool redirectFileWritten = false;
// The page an earlier request handed to a browser, kept for it to read.
char pageLeftForBrowser[browserPathBytes];
BrowserClassId shellWindowsClassId;

const char shellWindowsClassText[] = "9BA05972-F6A8-11CF-A442-00A0C90A8F39";

const char handoffHead[] = "javascript:x=unescape('";
const char handoffTail[] = "');if(typeof(window.WWHFrame)!='undefined'){window.WWHFrame.WWHHelp."
                           "fSetContextDocument(x);}";
static_assert(sizeof handoffHead - 1 == 23 && sizeof handoffTail - 1 == 92, "hand-off form");

// The page's head declares the character set of its URL (the ANSI code
// page), between these two parts.
const char redirectHead[] = "<html>\n"
                            " <head>\n"
                            "  <meta http-equiv=\"Content-Type\" content=\"text/html; charset=";
const char redirectHeader[] = "\">\n"
                              "  <title>Redirect</title>\n"
                              "\n"
                              "  <script type=\"text/javascript\" language=\"JavaScript1.2\">\n"
                              "   <!--\n"
                              "    function  WWHRedirect()\n"
                              "    {\n"
                              "      location.replace(\"";
const char redirectFooter[] = "\");\n"
                              "    }\n"
                              "   // -->\n"
                              "  </script>\n"
                              " </head>\n"
                              " <body onload=\"WWHRedirect();\">\n"
                              " </body>\n"
                              "</html>";
static_assert(sizeof redirectFooter - 1 == 89, "redirect page");

// The names by which browsers know the ANSI code pages that have no
// "windows-" name of their own; any other is "windows-" and its number.
struct PageCharset {
    unsigned codePage;
    const char* name;
};
const PageCharset pageCharsets[] = {
    {932, "shift_jis"}, {936, "gb2312"}, {949, "ks_c_5601-1987"}, {950, "big5"}, {65001, "utf-8"},
};

// Picks the bytes that are written as %xx. strayLead: a lead byte whose
// next byte is no trail byte.
typedef bool (*EncodeTest)(unsigned char byte, bool strayLead);

bool isHandoffSpecial(unsigned char c, bool) {
    return c == '"' || c == '%' || c == '&' || c == '\'' || c == '?' || c == '\\';
}

// What ends or bends a double-quoted argument or script string, what ends
// the script ("</script>"), and what the page's character set cannot read
// as a character. A NUL stays: the command line refuses it.
bool breaksQuoting(unsigned char c, bool strayLead) {
    return strayLead || c == '"' || c == '\\' || c == '<' || c == '>' || (c != 0 && c < 0x20) ||
           c == 0x7F;
}

bool sameText(const char* a, const char* b) {
    return compareText(a, b) == 0;
}

// Reads the default value of a key as text of at most capacity bytes with
// its terminator. A value that would not fit whole is refused: a cut
// command or class names another program.
int readDefaultValue(PlatRegKey key, char* out, uint32_t capacity) {
    uint32_t size = capacity;
    if (platRegQueryValue(key, nullptr, out, &size) != platRegOk)
        return -1;
    return endRegistryText(out, size, capacity) ? 0 : -1;
}

// Opens name + suffix under the classes root, else fallback + suffix.
bool openClassKey(const char* name, const char* fallback, const char* suffix, PlatRegKey* key) {
    char path[browserServiceBytes + 64];
    const char* bases[] = {name, fallback};
    for (const char* base : bases) {
        size_t baseLength = textLength(base), suffixLength = textLength(suffix);
        if (baseLength + suffixLength >= sizeof path)
            continue;
        copyBytes(path, base, baseLength);
        copyBytes(path + baseLength, suffix, suffixLength + 1);
        if (platRegOpenKey(platKeyClassesRoot, path, key) == platRegOk)
            return true;
    }
    return false;
}

bool hasNulByte(const char* text, uint32_t length) {
    for (uint32_t i = 0; i < length; ++i)
        if (text[i] == 0)
            return true;
    return false;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// n hexadecimal digits of text as one number; false on any other character.
bool readHex(const char* text, int n, uint32_t* value) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) {
        int digit = hexValue(text[i]);
        if (digit < 0)
            return false;
        v = v << 4 | static_cast<uint32_t>(digit);
    }
    *value = v;
    return true;
}

// Writes text with the bytes that test picks as %xx (lower-case hexadecimal)
// into out, terminated, when out is not null; returns the length. A
// double-byte character goes whole when its second byte is a trail byte:
// that byte may be 0x5C (as in Shift-JIS), which is no backslash there,
// and escaping it would split the character. Without a trail byte the lead
// byte stands alone and the next byte is taken as itself.
uint64_t percentEncode(const char* text, uint32_t length, EncodeTest test, char* out) {
    static const char hex[] = "0123456789abcdef";
    uint64_t n = 0;
    for (uint32_t i = 0; i < length; ++i) {
        bool strayLead = false;
        if (isLeadByte(text + i)) {
            if (i + 1 < length && platIsDoubleByteChar(text + i)) {
                if (out)
                    copyBytes(out + n, text + i, 2);
                n += 2;
                ++i;
                continue;
            }
            strayLead = true;
        }
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (!test(c, strayLead)) {
            if (out)
                out[n] = text[i];
            ++n;
            continue;
        }
        if (out) {
            out[n] = '%';
            out[n + 1] = hex[c >> 4];
            out[n + 2] = hex[c & 15];
        }
        n += 3;
    }
    if (out)
        out[n] = 0;
    return n;
}

// The encoded text as an owned copy; fails for null, a length of 0, or a
// result whose length and terminator could not be counted.
int encodeToOwned(const char* text, uint32_t length, EncodeTest test, char** out,
                  uint32_t* outLength) {
    *out = nullptr;
    if (!text || length == 0)
        return -1;
    uint64_t n = percentEncode(text, length, test, nullptr);
    if (n >= UINT32_MAX)
        return -1;
    char* encoded = static_cast<char*>(rvAlloc(static_cast<size_t>(n) + 1));
    if (!encoded)
        return -1;
    percentEncode(text, length, test, encoded);
    *out = encoded;
    *outLength = static_cast<uint32_t>(n);
    return 0;
}

void pageCharset(char* out, size_t size) {
    unsigned codePage = platAnsiCodePage();
    for (const PageCharset& known : pageCharsets) {
        if (known.codePage == codePage) {
            copyTruncated(out, size, known.name);
            return;
        }
    }
    std::snprintf(out, size, "windows-%u", codePage);
}

// The placeholder that keeps a page's name unique: the page path without
// its ".htm".
void removePlaceholderOf(const char* page) {
    char placeholder[browserPathBytes];
    size_t n = textLength(page);
    if (n < 4)
        return;
    copyBytesZ(placeholder, page, n - 4);
    platDeleteFile(placeholder);
}

// At unload the page left for the last request's browser goes as well.
struct PageRemovalAtUnload {
    ~PageRemovalAtUnload() { removePageLeftForBrowser(); }
} pageRemovalAtUnload;

int probeDdeServer(BrowserInfo* info) {
    return ddeProbeVersion(info);
}

int deliverToBrowser(BrowserInfo* info, const char* text, uint32_t length) {
    if (info->isInternetExplorer)
        return navigateHelpWindow(info, text, length);
    return ddeOpenAndActivate(info, text, length);
}
} // namespace

const char* browserRedirectFileName() {
    return redirectFileName;
}

const char* browserInstanceTag() {
    return instanceTag;
}

uint32_t browserDdeInstance() {
    return ddeInstance;
}

const BrowserClassId* browserShellWindowsClassId() {
    return &shellWindowsClassId;
}

int parseClassIdText(const char* text, BrowserClassId* out) {
    if (!text || !out || textLength(text) != 36)
        return -1;
    if (text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-')
        return -1;
    BrowserClassId id;
    uint32_t v16a, v16b;
    if (!readHex(text, 8, &id.data1) || !readHex(text + 9, 4, &v16a) ||
        !readHex(text + 14, 4, &v16b))
        return -1;
    id.data2 = static_cast<uint16_t>(v16a);
    id.data3 = static_cast<uint16_t>(v16b);
    // The last sixteen digits are eight bytes in order, the dash after the
    // first two bytes aside.
    const char* p = text + 19;
    for (int i = 0; i < 8; ++i, p += 2) {
        if (i == 2)
            ++p;
        uint32_t byte;
        if (!readHex(p, 2, &byte))
            return -1;
        id.data4[i] = static_cast<uint8_t>(byte);
    }
    *out = id;
    return 0;
}

int browserLayerStart() {
    // A second start would lose the running DDE client.
    if (browserLayerActive)
        return -1;
    // The page an earlier request left for its browser has been read by now.
    removePageLeftForBrowser();
    redirectFileName[0] = 0;
    redirectFileWritten = false;
    ddeInstance = platDdeStartClient();
    std::snprintf(instanceTag, sizeof instanceTag, "%s%X", "WWHAPI",
                  static_cast<unsigned>(static_cast<uint64_t>(std::time(nullptr)) & 0xFFFFFFFFu));
    if (!ddeInstance)
        return -1;

    char folder[browserPathBytes];
    char placeholder[platTempNameCapacity];
    unsigned n = platTempPath(folder, sizeof folder);
    bool named = n != 0 && n <= sizeof folder - 1 &&
                 (platDirectoryExists(folder) == 0 || platCreateDirectory(folder) == 0) &&
                 platTempFileName(folder, "wwhapi", placeholder) == 0;
    // The placeholder keeps its own name; the page goes beside it.
    size_t placeholderLength = named ? textLength(placeholder) : 0;
    bool ready = named && placeholderLength + sizeof ".htm" <= sizeof redirectFileName &&
                 parseClassIdText(shellWindowsClassText, &shellWindowsClassId) == 0;
    if (!ready) {
        // Nobody stops a layer that did not start: what it made goes now.
        if (named)
            platDeleteFile(placeholder);
        platDdeStopClient(ddeInstance);
        ddeInstance = 0;
        return -1;
    }
    copyBytes(redirectFileName, placeholder, placeholderLength);
    copyBytes(redirectFileName + placeholderLength, ".htm", sizeof ".htm");
    browserLayerActive = true;
    return 0;
}

int browserLayerStop() {
    // A file written at the page path may still be read by the browser it
    // was handed to: it stays, with the placeholder that keeps its name
    // unique, until the next request or the unload. Without one the
    // placeholder has served.
    if (redirectFileName[0]) {
        if (redirectFileWritten)
            copyBytes(pageLeftForBrowser, redirectFileName, textLength(redirectFileName) + 1);
        else
            removePlaceholderOf(redirectFileName);
    }
    redirectFileWritten = false;
    redirectFileName[0] = 0;
    platDdeStopClient(ddeInstance);
    ddeInstance = 0;
    browserLayerActive = false;
    return 0;
}

void resetBrowserInfo(BrowserInfo* info) {
    info->useContextHandoff = 0;
    info->isMozillaFamily = 0;
    info->isNetscape = 0;
    info->isInternetExplorer = 0;
    info->openCommand[0] = 0;
    info->ddeService[0] = 0;
    if (info->ddeWindowId == 0)
        info->ddeWindowId = browserWindowNone;
}

int prepareBrowserInfo(BrowserInfo* info) {
    if (!browserLayerActive || !info)
        return -1;
    info->ddeWindowId = browserWindowNone;
    info->helpLocation = nullptr;
    resetBrowserInfo(info);
    return 0;
}

int releaseBrowserInfo(BrowserInfo* info) {
    if (!browserLayerActive || !info)
        return -1;
    rvFree(info->helpLocation);
    info->helpLocation = nullptr;
    info->ddeWindowId = browserWindowNone;
    resetBrowserInfo(info);
    return 0;
}

int deriveHelpLocation(BrowserInfo* info) {
    const char* root = info->helpRootUrl;
    const char* colon = root ? findChar(root, ':', encodingAnsi) : nullptr;
    if (!colon)
        return -1;
    const char* rest = colon + 1;
    while (*rest == '/')
        ++rest;
    char* copy = rvAllocText(rest);
    if (!copy)
        return -1;
    rvFree(info->helpLocation);
    info->helpLocation = copy;
    return 0;
}

int discoverBrowser(BrowserInfo* info) {
    if (!browserLayerActive || !info)
        return -1;
    resetBrowserInfo(info);
    info->useContextHandoff = 1;

    const char* fallback = nullptr;
    PlatRegKey typeKey = nullptr;
    static const char* const typeNames[] = {".htm", ".html", "htmlfile"};
    for (const char* name : typeNames) {
        if (platRegOpenKey(platKeyClassesRoot, name, &typeKey) == platRegOk) {
            fallback = name;
            break;
        }
    }
    if (!fallback)
        return -1;
    char className[browserServiceBytes];
    int read = readDefaultValue(typeKey, className, sizeof className);
    platRegCloseKey(typeKey);
    if (read != 0)
        return -1;

    if (sameText(className, "NetscapeMarkup")) {
        info->isMozillaFamily = 1;
        info->isNetscape = 1;
    } else if (sameText(className, "MozillaHTML") || sameText(className, "FirefoxHTML")) {
        info->isMozillaFamily = 1;
    }

    PlatRegKey key = nullptr;
    if (!openClassKey(className, fallback, "\\shell\\open\\command", &key))
        return -1;
    read = readDefaultValue(key, info->openCommand, sizeof info->openCommand);
    platRegCloseKey(key);
    if (read != 0) {
        info->openCommand[0] = 0;
        return -1;
    }

    if (!openClassKey(className, fallback, "\\shell\\open\\ddeexec\\Application", &key)) {
        if (info->isNetscape)
            copyBytes(info->ddeService, "NETSCAPE", sizeof "NETSCAPE");
        return 0;
    }
    read = readDefaultValue(key, info->ddeService, sizeof info->ddeService);
    platRegCloseKey(key);
    if (read != 0) {
        info->ddeService[0] = 0;
        return -1;
    }
    if (sameText(info->ddeService, "IExplore")) {
        info->isInternetExplorer = 1;
        return deriveHelpLocation(info);
    }
    return 0;
}

int copyUrl(const char* url, uint32_t length, char** out, uint32_t* outLength) {
    *out = nullptr;
    if (!url || length == 0)
        return -1;
    char* copy = rvAllocText(url, length);
    if (!copy)
        return -1;
    *out = copy;
    *outLength = length;
    return 0;
}

void removePageLeftForBrowser() {
    if (!pageLeftForBrowser[0])
        return;
    platDeleteFile(pageLeftForBrowser);
    removePlaceholderOf(pageLeftForBrowser);
    pageLeftForBrowser[0] = 0;
}

int escapeForHandoff(const char* url, uint32_t length, char** out, uint32_t* outLength) {
    return encodeToOwned(url, length, isHandoffSpecial, out, outLength);
}

int protectUrl(const char* url, uint32_t length, char** out, uint32_t* outLength) {
    return encodeToOwned(url, length, breaksQuoting, out, outLength);
}

int unescapeUrl(const char* text, uint32_t length, char** out, uint32_t* outLength) {
    *out = nullptr;
    // The copy and its terminator must stay countable.
    if (!text || length == 0 || length == UINT32_MAX)
        return -1;
    char* decoded = static_cast<char*>(rvAlloc(static_cast<size_t>(length) + 1));
    if (!decoded)
        return -1;
    uint32_t n = 0;
    for (uint32_t i = 0; i < length; ++i) {
        if (text[i] != '%') {
            decoded[n++] = text[i];
            continue;
        }
        if (length - i < 3)
            continue; // a cut sequence is dropped
        uint32_t byte;
        if (readHex(text + i + 1, 2, &byte)) {
            decoded[n++] = static_cast<char>(byte);
            i += 2;
        } else {
            decoded[n++] = '%'; // not a sequence: kept, not guessed at
        }
    }
    decoded[n] = 0;
    if (n == 0) {
        rvFree(decoded);
        return -1;
    }
    *out = decoded;
    *outLength = n;
    return 0;
}

void toLowerInPlace(char* text) {
    for (; *text; ++text)
        *text = static_cast<char>(std::tolower(static_cast<unsigned char>(*text)));
}

namespace {
// Whether text holds pattern as it stands or, both lower-cased, in other
// letter case. An allocation failure counts as no match.
bool containsAnyCase(const char* text, const char* pattern) {
    if (findText(text, pattern, encodingAnsi))
        return true;
    char* lowerText = rvAllocText(text);
    char* lowerPattern = lowerText ? rvAllocText(pattern) : nullptr;
    bool found = false;
    if (lowerPattern) {
        toLowerInPlace(lowerText);
        toLowerInPlace(lowerPattern);
        found = findText(lowerText, lowerPattern, encodingAnsi) != nullptr;
    }
    rvFree(lowerPattern);
    rvFree(lowerText);
    return found;
}
} // namespace

bool locationShowsHelp(const char* location, const char* helpLocation) {
    if (!location || !helpLocation || !*helpLocation)
        return false;
    if (containsAnyCase(location, helpLocation))
        return true;
    char* decoded;
    uint32_t n;
    if (unescapeUrl(location, static_cast<uint32_t>(textLength(location)), &decoded, &n) != 0)
        return false;
    bool found = containsAnyCase(decoded, helpLocation);
    rvFree(decoded);
    return found;
}

int makeHandoffUrl(const char* url, uint32_t length, char** out, uint32_t* outLength) {
    *out = nullptr;
    char* escaped;
    uint32_t escapedLength;
    if (escapeForHandoff(url, length, &escaped, &escapedLength) != 0)
        return -1;
    const uint32_t head = sizeof handoffHead - 1, tail = sizeof handoffTail - 1;
    uint64_t total = static_cast<uint64_t>(head) + escapedLength + tail;
    char* handoff = total < UINT32_MAX ? static_cast<char*>(rvAlloc(total + 1)) : nullptr;
    if (handoff) {
        copyBytes(handoff, handoffHead, head);
        copyBytes(handoff + head, escaped, escapedLength);
        copyBytes(handoff + head + escapedLength, handoffTail, tail + 1);
        *out = handoff;
        *outLength = static_cast<uint32_t>(total);
    }
    rvFree(escaped);
    return handoff ? 0 : -1;
}

int writeRedirectFile(const FilePiece* pieces, int count) {
    if (!redirectFileName[0])
        return -1;
    // This request's own file is removed first, so that the new one is
    // created rather than opened.
    if (redirectFileWritten) {
        if (platDeleteFile(redirectFileName) != 0)
            return -1;
        redirectFileWritten = false;
    }
    PlatFile file = platCreateNewFile(redirectFileName);
    if (!file)
        return -1;
    redirectFileWritten = true;
    bool written = true;
    for (int i = 0; i < count && written; ++i)
        written = platWriteFile(file, pieces[i].bytes, pieces[i].length) == 0;
    bool closed = platCloseFile(file) == 0;
    return written && closed ? 0 : -1;
}

int writeRedirectPage(const char* url, uint32_t length) {
    char* safe;
    uint32_t safeLength;
    if (protectUrl(url, length, &safe, &safeLength) != 0)
        return -1;
    char charset[32];
    pageCharset(charset, sizeof charset);
    const FilePiece pieces[] = {
        {redirectHead, sizeof redirectHead - 1},
        {charset, static_cast<uint32_t>(textLength(charset))},
        {redirectHeader, sizeof redirectHeader - 1},
        {safe, safeLength},
        {redirectFooter, sizeof redirectFooter - 1},
    };
    int written = writeRedirectFile(pieces, sizeof pieces / sizeof pieces[0]);
    rvFree(safe);
    return written;
}

int buildLaunchCommand(const BrowserInfo* info, const char* url, uint32_t length, char* out) {
    if (!info || !url || length == 0 || !out)
        return -1;
    // The command line ends at its first NUL: a URL holding one would start
    // the browser on another address.
    if (length >= browserCommandBytes || hasNulByte(url, length))
        return -1;
    // A quote of the URL's would end its argument and start others.
    char safe[browserCommandBytes];
    uint64_t safeLength = percentEncode(url, length, breaksQuoting, nullptr);
    if (safeLength >= browserCommandBytes)
        return -1;
    percentEncode(url, length, breaksQuoting, safe);
    const char* target = safe;
    size_t targetLength = static_cast<size_t>(safeLength);
    static const char fileScheme[] = "file:";
    bool isFile = length >= 5 && equalBytes(url, fileScheme, 5);
    if (!info->isMozillaFamily && isFile) {
        // Browsers outside the Mozilla family drop the query of a file:
        // URL on the command line; a page that replaces itself keeps it.
        if (writeRedirectPage(safe, static_cast<uint32_t>(safeLength)) != 0)
            return -1;
        target = redirectFileName;
        targetLength = textLength(redirectFileName);
    }

    const char* command = info->openCommand;
    size_t commandLength = textLength(command);
    const char* slot = findText(command, "%1", encodingAnsi);
    if (slot) {
        size_t before = static_cast<size_t>(slot - command);
        size_t after = commandLength - before - 2;
        if (before + targetLength + after >= browserCommandBytes)
            return -1;
        copyBytes(out, command, before);
        copyBytes(out + before, target, targetLength);
        copyBytes(out + before + targetLength, slot + 2, after + 1);
    } else {
        if (commandLength + targetLength + 3 >= browserCommandBytes)
            return -1;
        char* at = out;
        copyBytes(at, command, commandLength);
        at += commandLength;
        *at++ = ' ';
        *at++ = '"';
        copyBytes(at, target, targetLength);
        at += targetLength;
        *at++ = '"';
        *at = 0;
    }
    return 0;
}

int launchBrowser(BrowserInfo* info, const char* url, uint32_t length) {
    char commandLine[browserCommandBytes];
    if (buildLaunchCommand(info, url, length, commandLine) != 0)
        return -1;
    return platStartDetachedProcess(commandLine) == 0 ? 0 : -1;
}

namespace {
int openProtectedUrl(BrowserInfo* info, const char* url, uint32_t length) {
    if (probeDdeServer(info) == 0) {
        char* text = nullptr;
        uint32_t textBytes = 0;
        if (!info->useContextHandoff || makeHandoffUrl(url, length, &text, &textBytes) != 0)
            copyUrl(url, length, &text, &textBytes);
        if (text) {
            int delivered = deliverToBrowser(info, text, textBytes);
            rvFree(text);
            if (delivered == 0)
                return 0;
        }
    }
    // The browser gets the URL itself, not the hand-off form.
    return launchBrowser(info, url, length);
}
} // namespace

int openUrl(BrowserInfo* info, const char* url, uint32_t length) {
    if (!browserLayerActive || !info || !url || length == 0)
        return -1;
    // Every way to the browser (a DDE item, a window's navigation, a command
    // line, the redirect page) takes the URL between quotes.
    char* safe;
    uint32_t safeLength;
    if (protectUrl(url, length, &safe, &safeLength) != 0)
        return -1;
    int opened = openProtectedUrl(info, safe, safeLength);
    rvFree(safe);
    return opened;
}

BrowserLaunch browserLaunch = {browserLayerStart,  browserLayerStop, prepareBrowserInfo,
                               releaseBrowserInfo, discoverBrowser,  openUrl,
                               &defaultBrowser};
