#include "help/help_url.h"
#include "resources/resource.h"
#include "help/browser_launch.h"
#include "base/allocation.h"
#include "base/multibyte_text.h"
#include "base/platform.h"
#include "base/resource_library.h"
#include "store/registry.h"

namespace {
// Resource strings of the message shown when the driver has no usable help
// folder.
enum { noHelpFolderCaption = IDS_NO_HELP_CAPTION, noHelpFolderText = IDS_NO_HELP_TEXT };

// A help folder is a path: at most 259 characters. The value is read with
// one byte more, so that a longer value shows instead of being cut to a
// path that names another folder.
enum { helpFolderBytes = 260 };

const char fileScheme[] = "file:///";
const char entryPage[] = "/wwhelp/wwhimpl/api.htm";
// The parameter text around context, topic and the entry page never needs
// more than this: "?context=" "&topic=" "&single=true" "&tab=favorites"
// and the terminator take 43 bytes.
enum { parameterBytes = 54 };
const char* const tabNames[] = {"contents", "index", "search", "favorites"};

// The active request: owned copies, both null while none is active.
char* helpRootUrl = nullptr;
char* helpEntryUrl = nullptr;

void dropRequestUrls() {
    if (browserLaunch.info)
        browserLaunch.info->helpRootUrl = nullptr;
    rvFree(helpRootUrl);
    rvFree(helpEntryUrl);
    helpRootUrl = nullptr;
    helpEntryUrl = nullptr;
}

void tellNoHelpFolder() {
    // loadResourceStringA fills a buffer of its own fixed size.
    char text[resourceStringCapacity], caption[resourceStringCapacity];
    loadResourceStringA(text, noHelpFolderText);
    loadResourceStringA(caption, noHelpFolderCaption);
    platMessageBox(nullptr, text, caption, platBoxOk);
}

// Appends one name=value parameter: "?" before the first of the URL, "&"
// before every later one.
char* appendGroup(char* at, int* groups, const char* name, const char* value) {
    *at++ = *groups ? '&' : '?';
    ++*groups;
    at = copyTextEnd(at, name);
    *at++ = '=';
    return copyTextEnd(at, value);
}
} // namespace

const char* activeHelpRootUrl() {
    return helpRootUrl;
}

const char* activeHelpEntryUrl() {
    return helpEntryUrl;
}

void showContextHelp(const char* driverName, const char* topic, const char* context) {
    char rootUrl[helpRootUrlCapacity + 1];
    if (getHelpRootUrl(driverName, rootUrl, helpRootUrlCapacity) == 0)
        displayHelpTopic(rootUrl, context, topic);
}

int getHelpRootUrl(const char* driverName, char* out, uint32_t maxLength) {
    if (!out || maxLength == 0)
        return 1;
    out[0] = 0;
    // Without a driver name the read would list the sections instead of
    // reading one entry; such a driver has no help folder either.
    char folder[helpFolderBytes + 1];
    int n = 0;
    if (driverName && *driverName)
        n = readProfileString(driverName, "HelpRootDirectory", "", folder, sizeof folder,
                              "ODBCINST.INI");
    if (n <= 0 || n >= helpFolderBytes) {
        tellNoHelpFolder();
        return 1;
    }
    uint32_t schemeLength = sizeof fileScheme - 1;
    if (schemeLength + static_cast<uint32_t>(n) > maxLength)
        return 1;
    copyBytes(out, fileScheme, schemeLength);
    copyBytesZ(out + schemeLength, folder, static_cast<size_t>(n));
    return 0;
}

int displayHelpTopic(char* rootUrl, const char* context, const char* topic) {
    if (!rootUrl)
        return -1;
    // Whole characters only: in a double-byte code page such as 932 the
    // second byte of a character may be 0x5C and is not a backslash.
    for (char* p = rootUrl; (p = const_cast<char*>(findChar(p, '\\', encodingAnsi))); ++p)
        *p = '/';
    if (beginHelpRequest(rootUrl) != 0)
        return -1;
    int shown = showHelpTopic(context, topic);
    int ended = endHelpRequest();
    // A topic that could not be opened is a failure even when the request
    // itself ended cleanly.
    return shown == 0 && ended == 0 ? 0 : -1;
}

int beginHelpRequest(const char* rootUrl) {
    if (helpRootUrl || helpEntryUrl || !rootUrl || !*rootUrl)
        return -1;
    size_t n = textLength(rootUrl);
    char* root = static_cast<char*>(rvAlloc(n + 1));
    char* entry = root ? static_cast<char*>(rvAlloc(n + sizeof entryPage)) : nullptr;
    if (!entry) {
        rvFree(root);
        return -1;
    }
    copyBytes(root, rootUrl, n + 1);
    copyBytes(entry, rootUrl, n);
    copyBytes(entry + n, entryPage, sizeof entryPage);
    helpRootUrl = root;
    helpEntryUrl = entry;

    if (browserLaunch.layerStart() != 0) {
        dropRequestUrls();
        return -1;
    }
    if (browserLaunch.prepareInfo(browserLaunch.info) != 0) {
        browserLaunch.layerStop();
        dropRequestUrls();
        return -1;
    }
    if (browserLaunch.info)
        browserLaunch.info->helpRootUrl = helpRootUrl;
    return 0;
}

int showHelpTopic(const char* context, const char* topic) {
    if (!context || !*context || !topic || !*topic)
        return -1;
    return buildHelpUrl(context, topic, 1, helpTabNone);
}

int buildHelpUrl(const char* context, const char* topic, int single, uint32_t tab) {
    if (!helpEntryUrl)
        return -1;
    size_t contextLength = context ? textLength(context) : 0;
    size_t topicLength = topic ? textLength(topic) : 0;
    size_t size = textLength(helpEntryUrl) + contextLength + topicLength + parameterBytes;
    if (size > UINT32_MAX)
        return -1;
    char* url = static_cast<char*>(rvAlloc(size));
    if (!url)
        return -1;

    char* end = copyTextEnd(url, helpEntryUrl);
    int groups = 0;
    if (contextLength && topicLength) {
        end = appendGroup(end, &groups, "context", context);
        end = appendGroup(end, &groups, "topic", topic);
    }
    if (single)
        end = appendGroup(end, &groups, "single", "true");
    if (tab >= helpTabContents && tab <= helpTabFavorites)
        end = appendGroup(end, &groups, "tab", tabNames[tab - helpTabContents]);

    int result = -1;
    if (browserLaunch.discover(browserLaunch.info) == 0 &&
        browserLaunch.openUrl(browserLaunch.info, url, static_cast<uint32_t>(end - url)) == 0)
        result = 0;
    rvFree(url);
    return result;
}

int endHelpRequest() {
    if (!helpRootUrl || !helpEntryUrl)
        return -1;
    dropRequestUrls();
    // Both run: a record that cannot be released must not keep the layer
    // started.
    int released = browserLaunch.releaseInfo(browserLaunch.info);
    int stopped = browserLaunch.layerStop();
    return released == 0 && stopped == 0 ? 0 : -1;
}
