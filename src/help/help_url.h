// Online help of the setup dialog: a page's help topic becomes a WebWorks
// Help URL under the driver's help folder ("HelpRootDirectory" of the
// driver's ODBCINST.INI section), which the browser launch then opens.
// Everything a help command sets up lives for that one command; one help
// request is active at a time, on the dialog's thread.
#pragma once
#include <cstdint>

// Navigation tab of the help window; any other value means none.
enum HelpTab : uint32_t {
    helpTabNone = 0,
    helpTabContents = 1,
    helpTabIndex = 2,
    helpTabSearch = 3,
    helpTabFavorites = 4,
};

// Room for a root URL, terminator excluded.
enum { helpRootUrlCapacity = 280 };

// The help command of a page: resolves the driver's help root and shows
// topic in context. Tells the user in a message box when the driver has
// no usable help folder; every later failure is silent.
void showContextHelp(const char* driverName, const char* topic, const char* context);

// Stores "file:///" and the driver's help folder in out (maxLength
// characters and a terminator). 0 on success; 1 when out is null or
// maxLength 0 (no message), when the folder is missing, empty or longer
// than a path can be (message box), or when the URL would not fit whole
// in maxLength characters (no message, out empty: a cut URL would name
// another folder).
int getHelpRootUrl(const char* driverName, char* out, uint32_t maxLength);

// Turns the backslashes of rootUrl into slashes in place (whole characters
// of the ANSI code page only) and runs one help request for topic: 0 when
// the URL was opened and the request ended cleanly, -1 otherwise.
int displayHelpTopic(char* rootUrl, const char* context, const char* topic);

// Starts a request for rootUrl and the browser launch: 0, or -1 when a
// request is already active (it stays untouched), rootUrl is null or
// empty, or a step fails (nothing is left behind).
int beginHelpRequest(const char* rootUrl);
// The single-topic view of topic: -1 when either is null or empty.
int showHelpTopic(const char* context, const char* topic);
// Builds the entry-page URL of the active request with the parameter
// groups given and hands it to the browser launch: 0 when opened, -1 when
// no request is active or a step fails.
int buildHelpUrl(const char* context, const char* topic, int single, uint32_t tab);
// Ends the active request and stops the browser launch: 0, or -1 when no
// request was active or a step of the shutdown failed.
int endHelpRequest();

// The root URL of the active request, null while none is active.
const char* activeHelpRootUrl();
// The entry page URL of the active request, null while none is active.
const char* activeHelpEntryUrl();
