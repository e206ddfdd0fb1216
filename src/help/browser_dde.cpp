// The DDE conversations with a running browser. Every conversation is
// made, used and ended within one call; requests wait at most ten seconds,
// and the probe not at all, so a browser that hangs cannot hold the help
// request.
#include "help/browser_dde.h"
#include "base/multibyte_text.h"
#include "base/platform.h"
#include <cstdio>

namespace {
const uint32_t requestTimeoutMs = 10000;

// Appends n bytes at *at when they fit before end (room kept for the
// terminator).
bool append(char** at, const char* end, const char* bytes, size_t n) {
    if (static_cast<size_t>(end - *at) <= n)
        return false;
    copyBytes(*at, bytes, n);
    *at += n;
    **at = 0;
    return true;
}

// '"' + body + "\",," + window id + ",0,,," + tag into out; -1 when it would
// not fit. Returns the item's length.
long formItem(const BrowserInfo* info, const char* head, const char* body, size_t bodyLength,
              char* out) {
    char tail[64];
    std::snprintf(tail, sizeof tail, "\",,%lu,0,,,", static_cast<unsigned long>(info->ddeWindowId));
    const char* tag = browserInstanceTag();
    char* at = out;
    const char* end = out + browserDdeItemBytes;
    *at = 0;
    if (!append(&at, end, head, textLength(head)) || !append(&at, end, body, bodyLength) ||
        !append(&at, end, tail, textLength(tail)) || !append(&at, end, tag, textLength(tag)))
        return -1;
    return at - out;
}

// The request's answer as a window id: only exactly four bytes are one.
int requestWindowId(PlatDdeConversation* conversation, const char* item, uint32_t* id) {
    unsigned char data[4];
    uint32_t size = 0;
    if (platDdeRequest(conversation, item, requestTimeoutMs, data, sizeof data, &size) != 0 ||
        size != sizeof data)
        return -1;
    copyBytes(id, data, sizeof data);
    return 0;
}
} // namespace

int ddeProbeVersion(BrowserInfo* info) {
    if (!info->ddeService[0])
        return -1;
    PlatDdeConversation conversation;
    if (platDdeConnect(browserDdeInstance(), info->ddeService, "WWW_Version", &conversation) != 0)
        return -1;
    uint32_t size;
    int accepted =
        platDdeRequest(&conversation, "WWW_Version", platDdeTimeoutAsync, nullptr, 0, &size);
    platDdeDisconnect(&conversation);
    return accepted == 0 ? 0 : -1;
}

int buildOpenUrlItem(const BrowserInfo* info, const char* text, uint32_t length, char* out) {
    out[0] = 0;
    if (!text || length == 0 || length >= browserDdeItemBytes)
        return -1;
    for (uint32_t i = 0; i < length; ++i)
        if (text[i] == 0)
            return -1;
    long n = formItem(info, "\"", text, length, out);
    if (n < 0)
        return -1;
    if (n <= browserDdeItemLimit)
        return 0;
    out[0] = 0;
    if (!info->isNetscape)
        return -1;
    // Netscape reads the URL from a file named after a caret.
    const char* page = browserRedirectFileName();
    const FilePiece content = {text, length};
    if (!page[0] || writeRedirectFile(&content, 1) != 0)
        return -1;
    return formItem(info, "\"^", page, textLength(page), out) < 0 ? -1 : 0;
}

// One request in one conversation: under Wine a second request in the same
// conversation goes unanswered even though the server answers it.
int openRequest(BrowserInfo* info, const char* item, uint32_t* id) {
    PlatDdeConversation conversation;
    if (platDdeConnect(browserDdeInstance(), info->ddeService, "WWW_OpenURL", &conversation) != 0)
        return -1;
    int result = requestWindowId(&conversation, item, id);
    platDdeDisconnect(&conversation);
    return result;
}

int ddeOpenUrl(BrowserInfo* info, const char* text, uint32_t length) {
    char item[browserDdeItemBytes];
    // At most twice: a window that answers 0 is dropped once, and the URL
    // goes to no particular window.
    for (int attempt = 0; attempt < 2; ++attempt) {
        uint32_t id = 0;
        if (buildOpenUrlItem(info, text, length, item) != 0 || openRequest(info, item, &id) != 0)
            return -1;
        if (id == 0 && info->ddeWindowId != browserWindowNone) {
            info->ddeWindowId = browserWindowNone;
            continue;
        }
        if (id == 0 || id == browserWindowNone)
            return -1;
        info->ddeWindowId = id;
        return 0;
    }
    return -1;
}

int ddeActivate(BrowserInfo* info) {
    PlatDdeConversation conversation;
    if (platDdeConnect(browserDdeInstance(), info->ddeService, "WWW_Activate", &conversation) != 0)
        return -1;
    char item[32];
    std::snprintf(item, sizeof item, "%lu,0", static_cast<unsigned long>(info->ddeWindowId));
    char answer[4];
    uint32_t size;
    int answered =
        platDdeRequest(&conversation, item, requestTimeoutMs, answer, sizeof answer, &size);
    platDdeDisconnect(&conversation);
    return answered == 0 ? 0 : -1;
}

int ddeOpenAndActivate(BrowserInfo* info, const char* text, uint32_t length) {
    if (!info->ddeService[0] || ddeOpenUrl(info, text, length) != 0)
        return -1;
    // The URL is open; a window that stays behind is no failure.
    ddeActivate(info);
    return 0;
}
