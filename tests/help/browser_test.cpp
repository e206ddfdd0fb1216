// The browser launch: the request's tag and redirect page path, the
// hand-off URL, the redirect page and the browser's command line; under
// Wine also the default browser read from a seeded ".htm" association and
// started for real (the recording browser stand-in, browserfix.exe).
#include "base/allocation.h"
#include "base/platform.h"
#include "help/browser_dde.h"
#include "help/browser_launch.h"
#include "help/help_url.h"
#include "support/test_support.h"
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>
#include <thread>
#include <string>
#ifdef _WIN32
#include "support/windows_fixture.h"
#include <windows.h>
#endif

namespace {
// What a function of the library hands back in a block of its own, or
// "(refused)".
std::string handedBack(int (*function)(const char*, uint32_t, char**, uint32_t*),
                       const std::string& text) {
    char* out = nullptr;
    uint32_t n = 0;
    if (function(text.data(), static_cast<uint32_t>(text.size()), &out, &n) != 0)
        return "(refused)";
    std::string result(out, n);
    rvFree(out);
    return result;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}
bool fileExists(const std::string& path) {
    return std::ifstream(path, std::ios::binary).good();
}

// The page declares the character set of the ANSI code page its URL is
// written in.
std::string pageCharset() {
    return expectedCodePage() == 932 ? "shift_jis" : "windows-1252";
}
const std::string pageHeader = "<html>\n"
                               " <head>\n"
                               "  <meta http-equiv=\"Content-Type\" content=\"text/html; charset=" +
                               pageCharset() +
                               "\">\n"
                               "  <title>Redirect</title>\n"
                               "\n"
                               "  <script type=\"text/javascript\" language=\"JavaScript1.2\">\n"
                               "   <!--\n"
                               "    function  WWHRedirect()\n"
                               "    {\n"
                               "      location.replace(\"";
const std::string pageFooter = "\");\n"
                               "    }\n"
                               "   // -->\n"
                               "  </script>\n"
                               " </head>\n"
                               " <body onload=\"WWHRedirect();\">\n"
                               " </body>\n"
                               "</html>";

// The hand-off URL around an escaped URL.
std::string handoffOf(const std::string& escaped) {
    return "javascript:x=unescape('" + escaped +
           "');if(typeof(window.WWHFrame)!='undefined'){window.WWHFrame.WWHHelp."
           "fSetContextDocument(x);}";
}

// A started layer and a prepared record; the files the layer leaves
// behind are removed afterwards.
class Browser : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(0, browserLayerStart());
        redirect = browserRedirectFileName();
        placeholder = redirect.substr(0, redirect.size() - 4);
        ASSERT_EQ(0, prepareBrowserInfo(&info));
    }
    void TearDown() override {
        releaseBrowserInfo(&info);
        browserLayerStop();
        std::remove(redirect.c_str());
        std::remove(placeholder.c_str());
    }
    std::string handoff(const std::string& url) { return handedBack(makeHandoffUrl, url); }
    // The "WWW_OpenURL" item for text, or "(refused)".
    std::string item(const std::string& text) {
        char out[browserDdeItemBytes];
        if (buildOpenUrlItem(&info, text.data(), static_cast<uint32_t>(text.size()), out) != 0)
            return "(refused)";
        return out;
    }
    std::string itemTail() { return "\",,4294967295,0,,," + std::string(browserInstanceTag()); }
    std::string command(const char* templ, const std::string& url, int mozilla) {
        snprintf(info.openCommand, sizeof info.openCommand, "%s", templ);
        info.isMozillaFamily = mozilla;
        char out[browserCommandBytes];
        if (buildLaunchCommand(&info, url.data(), static_cast<uint32_t>(url.size()), out) != 0)
            return "(refused)";
        return out;
    }
    BrowserInfo info = {};
    std::string redirect, placeholder;
};
} // namespace

TEST(BrowserLayer, EachStartNamesTheRequestAndAPageBesideAnEmptyPlaceholder) {
    BrowserInfo info = {};
    const char url[] = "file:///C:/Help";
    EXPECT_EQ(-1, prepareBrowserInfo(&info));
    EXPECT_EQ(-1, discoverBrowser(&info));
    EXPECT_EQ(-1, openUrl(&info, url, sizeof url - 1));
    EXPECT_EQ(-1, releaseBrowserInfo(&info));
    uint64_t before = static_cast<uint64_t>(std::time(nullptr)) & 0xFFFFFFFF;
    ASSERT_EQ(0, browserLayerStart());
    uint64_t after = static_cast<uint64_t>(std::time(nullptr)) & 0xFFFFFFFF;
    EXPECT_EQ(-1, browserLayerStart()); // the running layer is kept
    std::string tag = browserInstanceTag();
    ASSERT_EQ(0u, tag.find("WWHAPI"));
    std::string digits = tag.substr(6);
    EXPECT_EQ(std::string::npos, digits.find_first_not_of("0123456789ABCDEF")) << tag;
    uint64_t seconds = std::stoull(digits, nullptr, 16);
    EXPECT_TRUE(seconds >= before && seconds <= after) << tag;

    std::string redirect = browserRedirectFileName();
    ASSERT_GT(redirect.size(), 4u);
    EXPECT_EQ(".htm", redirect.substr(redirect.size() - 4));
    std::string placeholder = redirect.substr(0, redirect.size() - 4);
    EXPECT_TRUE(fileExists(placeholder));
    EXPECT_EQ("", readFile(placeholder));
    EXPECT_FALSE(fileExists(redirect));
    EXPECT_EQ(0, prepareBrowserInfo(&info));
    EXPECT_EQ(browserWindowNone, info.ddeWindowId);
    EXPECT_EQ(nullptr, info.helpLocation);
    EXPECT_EQ(0, releaseBrowserInfo(&info));

    EXPECT_EQ(0, browserLayerStop());
    EXPECT_STREQ("", browserRedirectFileName());
    EXPECT_EQ(-1, prepareBrowserInfo(&info));
    // No page was written for a browser: the placeholder has served.
    EXPECT_FALSE(fileExists(placeholder));
}

TEST_F(Browser, TheHandoffUrlEscapesWhatWouldEndOrAlterTheScriptString) {
    EXPECT_EQ(handoffOf("a%3fb%26c"), handoff("a?b&c"));
    std::string all = handoff("\"%&'?\\ #/<>=");
    EXPECT_NE(std::string::npos, all.find("unescape('%22%25%26%27%3f%5c #/<>=');")) << all;
    EXPECT_EQ(23 + 18 + 6 + 92u, all.size());
    EXPECT_EQ("(refused)", handoff(""));
    char* out = nullptr;
    uint32_t n = 0;
    EXPECT_EQ(-1, makeHandoffUrl(nullptr, 3, &out, &n));
    EXPECT_EQ(nullptr, out);
}

TEST_F(Browser, TheHandoffKeepsDoubleByteCharactersWhole) {
    REQUIRE_CODE_PAGE(932);
    // "\x83\x5c" is one Shift-JIS character whose second byte is 0x5C.
    std::string folder = "file:///C:/\x83\x5c\x83\x74\x83\x67\\x?";
    std::string all = handoff(folder);
    EXPECT_NE(std::string::npos,
              all.find("unescape('file:///C:/\x83\x5c\x83\x74\x83\x67%5cx%3f');"))
        << all;
}

TEST_F(Browser, TheHandoffKeepsADoubleBytePairWholeOnlyWithATrailByte) {
    REQUIRE_CODE_PAGE(932);
    // 0x83 leads a Shift-JIS character; the bytes below 0x40 never end one,
    // so each is a character of its own and escaped as such. Pairs are
    // taken from the left: after "\x83\x83" a 0x5C is a backslash.
    struct Case {
        const char *url, *escaped;
    } cases[] = {
        {"a\x83\x5c", "a\x83\x5c"}, {"a\x83'b", "a\x83%27b"},          {"a\x83\x22", "a\x83%22"},
        {"a\x83?", "a\x83%3f"},     {"a\x83\x83\x5c", "a\x83\x83%5c"}, {"a\x83", "a\x83"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(handoffOf(c.escaped), handoff(c.url)) << c.escaped;
}

TEST_F(Browser, TheRedirectPageKeepsTheUrlInsideItsScriptString) {
    // A quote or backslash would end or bend the string, a "<" could end
    // the script; each is written as %xx. A double-byte character stays
    // whole.
    std::string url = "file:///C:/a\"b\\c</script>d\ne";
    ASSERT_EQ(0, writeRedirectPage(url.data(), static_cast<uint32_t>(url.size())));
    EXPECT_EQ(pageHeader + "file:///C:/a%22b%5cc%3c/script%3ed%0ae" + pageFooter,
              readFile(redirect));
}

TEST_F(Browser, TheRedirectPageOfADoubleByteUrlNamesItsCharacterSet) {
    REQUIRE_CODE_PAGE(932);
    std::string url = "file:///C:/\x83\x5c\x83\x74/x\x83\x22";
    ASSERT_EQ(0, writeRedirectPage(url.data(), static_cast<uint32_t>(url.size())));
    EXPECT_EQ(pageHeader + "file:///C:/\x83\x5c\x83\x74/x%83%22" + pageFooter, readFile(redirect));
    EXPECT_NE(std::string::npos, pageHeader.find("charset=shift_jis\""));
}

TEST_F(Browser, TheRedirectPageHoldsTheUrlUnchangedBetweenItsFixedParts) {
    ASSERT_EQ(89u, pageFooter.size());
    std::string url = "file:///C:/Help Files/wwhelp/wwhimpl/api.htm?context=ODBC&topic=a%20b";
    ASSERT_EQ(0, writeRedirectPage(url.data(), static_cast<uint32_t>(url.size())));
    EXPECT_EQ(pageHeader + url + pageFooter, readFile(redirect));
    // Written anew: a shorter URL leaves nothing of the longer page.
    ASSERT_EQ(0, writeRedirectPage("x", 1));
    EXPECT_EQ(pageHeader + "x" + pageFooter, readFile(redirect));
}

TEST_F(Browser, TheCommandLineTakesTheTargetAtTheFirstPercentOneOrAppendsItQuoted) {
    const std::string help = "file:///C:/Help/wwhelp/wwhimpl/api.htm?context=ODBC&single=true";
    EXPECT_EQ("\"C:\\ff.exe\" -url \"" + help + "\"",
              command("\"C:\\ff.exe\" -url \"%1\"", help, 1));
    EXPECT_FALSE(fileExists(redirect)); // the Mozilla family keeps the query
    EXPECT_EQ("b.exe " + help + " %1", command("b.exe %1 %1", help, 1));
    EXPECT_EQ("ie.exe \"http://h/x?y\"", command("ie.exe", "http://h/x?y", 0));
    EXPECT_EQ("ie.exe \"File:///x\"", command("ie.exe", "File:///x", 0));
    EXPECT_FALSE(fileExists(redirect));
    // Other browsers get a file: URL through the redirect page.
    EXPECT_EQ("ie.exe \"" + redirect + "\"", command("ie.exe", help, 0));
    EXPECT_EQ(pageHeader + help + pageFooter, readFile(redirect));
    EXPECT_EQ("ie.exe -nohome " + redirect, command("ie.exe -nohome %1", help, 0));
}

TEST_F(Browser, AQuoteInTheUrlNeitherEndsItsArgumentNorAddsOne) {
    EXPECT_EQ("b.exe \"http://h/a%22 -x %22b\"", command("b.exe \"%1\"", "http://h/a\" -x \"b", 1));
    EXPECT_EQ("ie.exe \"http://h/a%22b%5c\"", command("ie.exe", "http://h/a\"b\\", 0));
    // The redirect page named on the command line holds it encoded too.
    std::string help = "file:///C:/H\"x/api.htm?topic=a";
    EXPECT_EQ("ie.exe \"" + redirect + "\"", command("ie.exe", help, 0));
    EXPECT_EQ(pageHeader + "file:///C:/H%22x/api.htm?topic=a" + pageFooter, readFile(redirect));
}

TEST_F(Browser, ACommandLineThatWouldNotFitWholeIsRefused) {
    // "b.exe " and the target, or "b.exe", ' "', the target and '"', must
    // leave room for the terminator of 4096 bytes.
    EXPECT_NE("(refused)", command("b.exe %1", std::string(4089, 'u'), 1));
    EXPECT_EQ("(refused)", command("b.exe %1", std::string(4090, 'u'), 1));
    EXPECT_NE("(refused)", command("b.exe", std::string(4087, 'u'), 1));
    EXPECT_EQ("(refused)", command("b.exe", std::string(4088, 'u'), 1));
    EXPECT_EQ("(refused)", command("b.exe", std::string(5000, 'u'), 1));
    // What counts is the length once encoded.
    EXPECT_EQ("(refused)", command("b.exe %1", std::string(1364, '"'), 1));
    EXPECT_NE("(refused)", command("b.exe %1", std::string(1363, '"'), 1));
    // A NUL would end the command line early, on another address.
    EXPECT_EQ("(refused)", command("b.exe", std::string("http://a\0b", 10), 1));
    EXPECT_EQ(-1, openUrl(&info, nullptr, 4));
    EXPECT_EQ(-1, openUrl(&info, "http://a", 0));
}

TEST_F(Browser, TheOpenItemQuotesTheTextAndNamesWindowAndRequest) {
    EXPECT_EQ("\"http://h/x" + itemTail(), item("http://h/x"));
    info.ddeWindowId = 42;
    EXPECT_EQ("\"u\",,42,0,,," + std::string(browserInstanceTag()), item("u"));
    info.ddeWindowId = browserWindowNone;
    // 255 characters at most: longer fails but for Netscape, which is
    // handed a file holding the text, named after a caret.
    size_t room = 255 - 1 - itemTail().size();
    std::string fits(room, 'f'), longer(room + 1, 'l');
    EXPECT_EQ(255u, item(fits).size());
    EXPECT_EQ("(refused)", item(longer));
    EXPECT_FALSE(fileExists(redirect));
    info.isNetscape = 1;
    EXPECT_EQ("\"" + fits + itemTail(), item(fits));
    EXPECT_EQ("\"^" + redirect + itemTail(), item(longer));
    EXPECT_EQ(longer, readFile(redirect));
    // What would not fit the item's 4096 bytes, or would end it early.
    EXPECT_EQ("(refused)", item(std::string(browserDdeItemBytes, 'x')));
    EXPECT_EQ("(refused)", item(std::string("a\0b", 3)));
    EXPECT_EQ("(refused)", item(""));
}

namespace {
std::string unescaped(const std::string& text) {
    return handedBack(unescapeUrl, text);
}
} // namespace

TEST(BrowserShell, PercentSequencesAreDecodedAndACutOneDropped) {
    EXPECT_EQ("C:/Help Files", unescaped("C:/Help%20Files"));
    EXPECT_EQ("100", unescaped("100%"));
    EXPECT_EQ("4", unescaped("%4"));
    EXPECT_EQ("a?b&A", unescaped("a%3fb%26%41"));
    // Not a sequence: nothing is guessed, the text stays.
    EXPECT_EQ("50%zz%4g", unescaped("50%zz%4g"));
    EXPECT_EQ("(refused)", unescaped("%"));
    EXPECT_EQ("(refused)", unescaped(""));
    // A length whose copy and terminator could not be counted is refused
    // before anything is allocated or read.
    char* out = nullptr;
    uint32_t n = 0;
    rvAllocFailAt(0);
    EXPECT_EQ(-1, unescapeUrl("%41", UINT32_MAX, &out, &n));
    EXPECT_EQ(0, rvAllocCount());
    EXPECT_EQ(nullptr, out);
}

TEST(BrowserShell, AWindowShowsTheHelpWhenItsLocationHoldsTheFolderInAnyForm) {
    const char* help = "C:/Help Files";
    EXPECT_TRUE(locationShowsHelp("file:///C:/Help Files/wwhelp/wwhimpl/api.htm", help));
    EXPECT_TRUE(locationShowsHelp("file:///c:/help files/x.htm", help));
    EXPECT_TRUE(locationShowsHelp("file:///C:/Help%20Files/wwhelp/wwhimpl/api.htm", help));
    EXPECT_TRUE(locationShowsHelp("file:///c:/HELP%20FILES/x.htm", help));
    EXPECT_FALSE(locationShowsHelp("file:///C:/Help/x.htm", help));
    EXPECT_FALSE(locationShowsHelp("file:///C:/Help%2", help));
    // An empty folder would take any window of the user's for the help.
    EXPECT_FALSE(locationShowsHelp("http://example/", ""));
    EXPECT_FALSE(locationShowsHelp(nullptr, help));
}

#ifdef _WIN32
namespace {
const char classes[] = "Software\\Classes\\";

// The default browser in the test prefix: Wine's HKEY_CLASSES_ROOT shows
// only HKLM\Software\Classes, and a fresh prefix has no ".htm" at all.
class BrowserAssociation : public Browser {
protected:
    void SetUp() override {
        cleanup();
        fixture = programDirectory() + "\\browserfix.exe";
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        record = std::string(temp) + "rvbrowser-" + std::to_string(GetCurrentProcessId()) + ".txt";
        DeleteFileA(record.c_str());
        SetEnvironmentVariableA("RV_BROWSER_RECORD", record.c_str());
        Browser::SetUp();
    }
    void TearDown() override {
        Browser::TearDown();
        cleanup();
        DeleteFileA(record.c_str());
    }
    void cleanup() {
        for (const char* key :
             {".htm", "RvTestHTML", "FirefoxHTML", "FirefoxHTML5", "mozillaHTML", "NetscapeMarkup"})
            removeKey(HKEY_LOCAL_MACHINE, std::string(classes) + key);
    }
    void associate(const std::string& className, const std::string& templ,
                   const char* ddeApplication = nullptr) {
        ASSERT_TRUE(seedText(HKEY_LOCAL_MACHINE, std::string(classes) + ".htm", "", className));
        ASSERT_TRUE(seedText(HKEY_LOCAL_MACHINE,
                             std::string(classes) + className + "\\shell\\open\\command", "",
                             templ));
        if (ddeApplication) {
            ASSERT_TRUE(
                seedText(HKEY_LOCAL_MACHINE,
                         std::string(classes) + className + "\\shell\\open\\ddeexec\\Application",
                         "", ddeApplication));
        }
    }
    // The browser's command line, once it has recorded it (at most 20 s).
    std::string recorded() {
        for (int i = 0; i < 200 && !fileExists(record); ++i)
            Sleep(100);
        return fileExists(record) ? readFile(record) : "(no browser)";
    }
    std::string fixture, record;
};
} // namespace

TEST_F(BrowserAssociation, DiscoveryReadsTheClassItsCommandAndItsDdeService) {
    associate("NetscapeMarkup", "nc.exe \"%1\"");
    ASSERT_EQ(0, discoverBrowser(&info));
    EXPECT_TRUE(info.isMozillaFamily && info.isNetscape && !info.isInternetExplorer);
    EXPECT_STREQ("nc.exe \"%1\"", info.openCommand);
    EXPECT_STREQ("NETSCAPE", info.ddeService);
    EXPECT_EQ(1, info.useContextHandoff);

    associate("FirefoxHTML", "ff.exe", "Firefox");
    ASSERT_EQ(0, discoverBrowser(&info));
    EXPECT_TRUE(info.isMozillaFamily && !info.isNetscape);
    EXPECT_STREQ("Firefox", info.ddeService);

    // Only the exact class names make the Mozilla family.
    associate("RvTestHTML", "other.exe");
    ASSERT_EQ(0, discoverBrowser(&info));
    EXPECT_FALSE(info.isMozillaFamily || info.isNetscape);
    EXPECT_STREQ("", info.ddeService);
    EXPECT_STREQ("other.exe", info.openCommand);

    // A command longer than its room is refused, not cut.
    associate("RvTestHTML", std::string(browserCommandBytes, 'c'));
    EXPECT_EQ(-1, discoverBrowser(&info));
    associate("RvTestHTML", std::string(browserCommandBytes - 1, 'c'));
    EXPECT_EQ(0, discoverBrowser(&info));
    // Near misses of the Mozilla names are other browsers.
    for (const char* name : {"mozillaHTML", "FirefoxHTML5"}) {
        associate(name, "m.exe");
        ASSERT_EQ(0, discoverBrowser(&info));
        EXPECT_FALSE(info.isMozillaFamily) << name;
        removeKey(HKEY_LOCAL_MACHINE, std::string(classes) + name);
    }
    removeKey(HKEY_LOCAL_MACHINE, std::string(classes) + "RvTestHTML");
    EXPECT_EQ(-1, discoverBrowser(&info));

    // Without ".htm" or ".html", Wine's own "htmlfile": its class name,
    // "HTML Document", has no key, so the command is read from "htmlfile".
    removeKey(HKEY_LOCAL_MACHINE, std::string(classes) + ".htm");
    ASSERT_EQ(0, discoverBrowser(&info));
    EXPECT_NE(nullptr, std::strstr(info.openCommand, "winebrowser.exe")) << info.openCommand;
    EXPECT_FALSE(info.isMozillaFamily || info.isInternetExplorer);
}

TEST_F(BrowserAssociation, AHelpRequestStartsAMozillaBrowserOnTheHelpUrl) {
    // The layer of the fixture would refuse the request's own start.
    Browser::TearDown();
    associate("FirefoxHTML", "\"" + fixture + "\" -osint -url \"%1\"");
    // A quote in the help folder is encoded: it neither ends the argument
    // nor adds one.
    struct Case {
        const char *root, *folder;
    } cases[] = {
        {"file:///C:\\Help\\Driver", "file:///C:/Help/Driver"},
        {"file:///C:\\Help\" -new-window \"x\\Driver",
         "file:///C:/Help%22 -new-window %22x/Driver"},
    };
    for (const Case& c : cases) {
        std::string root = c.root;
        EXPECT_EQ(0, displayHelpTopic(&root[0], "ODBC", "infgeneral"));
        EXPECT_EQ("\"" + fixture + "\" -osint -url \"" + c.folder +
                      "/wwhelp/wwhimpl/api.htm?context=ODBC&topic=infgeneral&single=true\"",
                  recorded());
        DeleteFileA(record.c_str());
    }
    Browser::SetUp();
}

TEST_F(BrowserAssociation, AnotherBrowserIsStartedOnTheRedirectPage) {
    associate("RvTestHTML", "\"" + fixture + "\"");
    ASSERT_EQ(0, discoverBrowser(&info));
    std::string url = "file:///C:/Help/wwhelp/wwhimpl/api.htm?context=ODBC&topic=infgeneral";
    ASSERT_EQ(0, openUrl(&info, url.data(), static_cast<uint32_t>(url.size())));
    EXPECT_EQ("\"" + fixture + "\" \"" + redirect + "\"", recorded());
    EXPECT_EQ(pageHeader + url + pageFooter, readFile(redirect));
}

namespace {
// The names in a directory, sorted.
std::vector<std::string> filesIn(const std::string& dir) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

// Points the temporary folder of this process at dir while it lives.
class TemporaryFolder {
public:
    explicit TemporaryFolder(const std::string& dir) {
        GetEnvironmentVariableA("TMP", savedTmp, sizeof savedTmp);
        GetEnvironmentVariableA("TEMP", savedTemp, sizeof savedTemp);
        SetEnvironmentVariableA("TMP", dir.c_str());
        SetEnvironmentVariableA("TEMP", dir.c_str());
    }
    ~TemporaryFolder() {
        SetEnvironmentVariableA("TMP", savedTmp);
        SetEnvironmentVariableA("TEMP", savedTemp);
    }

private:
    char savedTmp[MAX_PATH] = {}, savedTemp[MAX_PATH] = {};
};
} // namespace

// Each help request takes a placeholder file to name its redirect page.
// Without a page, nothing is left once the request has ended; a page
// handed to a browser stays for it, beside its placeholder, until the next
// request (or the library's unload) removes both.
TEST_F(BrowserAssociation, AHelpRequestLeavesNoFileOfItsOwnBehind) {
    Browser::TearDown();
    ScratchDirectory temp("rvhelptemp");
    TemporaryFolder folder(temp.path());
    auto help = [&](const char* className) {
        associate(className, "\"" + fixture + "\"");
        std::string root = "file:///C:\\Help";
        int shown = displayHelpTopic(&root[0], "ODBC", "infgeneral");
        std::string line = recorded();
        DeleteFileA(record.c_str());
        return shown == 0 ? line : "(failed)";
    };
    const std::string url =
        "file:///C:/Help/wwhelp/wwhimpl/api.htm?context=ODBC&topic=infgeneral&single=true";
    EXPECT_EQ("\"" + fixture + "\" \"" + url + "\"", help("FirefoxHTML"));
    EXPECT_TRUE(filesIn(temp.path()).empty());

    std::string line = help("RvTestHTML");
    std::vector<std::string> left = filesIn(temp.path());
    ASSERT_EQ(2u, left.size());
    std::string page = temp.file(left[1]);
    EXPECT_EQ(left[0] + ".htm", left[1]);
    EXPECT_EQ(0u, left[0].find("wwh"));
    EXPECT_EQ("\"" + fixture + "\" \"" + page + "\"", line);
    EXPECT_EQ(pageHeader + url + pageFooter, readFile(page));

    // The next request removes them, and leaves nothing of its own.
    EXPECT_NE("(failed)", help("FirefoxHTML"));
    EXPECT_TRUE(filesIn(temp.path()).empty());
    // The unload's removal, the same way.
    EXPECT_NE("(failed)", help("RvTestHTML"));
    EXPECT_EQ(2u, filesIn(temp.path()).size());
    removePageLeftForBrowser();
    EXPECT_TRUE(filesIn(temp.path()).empty());
    Browser::SetUp();
}

// The redirect page is created, never opened: a file of someone else's at
// its name, or a link there to another file, stays as it is and the page
// is not written. A file the request wrote itself it may write anew.
TEST_F(Browser, AFileOrLinkAtThePageNameIsNeitherFollowedNorOverwritten) {
    ScratchDirectory files("rvhelpvictim");
    std::string victim = files.file("victim.txt");
    std::ofstream(victim, std::ios::binary) << "victim";
    const std::string url = "file:///C:/Help/api.htm?topic=a";
    auto page = [&] { return writeRedirectPage(url.data(), static_cast<uint32_t>(url.size())); };
    ASSERT_TRUE(CreateHardLinkA(redirect.c_str(), victim.c_str(), nullptr));
    EXPECT_EQ(-1, page());
    EXPECT_EQ("(refused)", command("ie.exe", url, 0));
    info.isNetscape = 1;
    EXPECT_EQ("(refused)", item(std::string(300, 'n')));
    EXPECT_EQ("victim", readFile(victim));
    ASSERT_TRUE(DeleteFileA(redirect.c_str()));

    std::ofstream(redirect, std::ios::binary) << "theirs";
    EXPECT_EQ(-1, page());
    EXPECT_EQ("theirs", readFile(redirect));
    // The layer leaves what it did not make.
    browserLayerStop();
    EXPECT_EQ("theirs", readFile(redirect));
    EXPECT_FALSE(fileExists(placeholder));
    ASSERT_TRUE(DeleteFileA(redirect.c_str()));
    ASSERT_EQ(0, browserLayerStart());
    redirect = browserRedirectFileName();
    placeholder = redirect.substr(0, redirect.size() - 4);
    ASSERT_EQ(0, prepareBrowserInfo(&info));

    EXPECT_EQ(0, page());
    EXPECT_EQ(0, page());
    EXPECT_EQ(pageHeader + url + pageFooter, readFile(redirect));
}

TEST_F(BrowserAssociation, ABrowserThatCannotBeStartedFailsTheOpen) {
    associate("RvTestHTML", "\"C:\\no such folder\\browser.exe\" \"%1\"");
    ASSERT_EQ(0, discoverBrowser(&info));
    EXPECT_EQ(-1, openUrl(&info, "http://h/x", 10));
}
namespace {
// A running browser: the DDE server stand-in (ddeserver.exe) registered as
// FIXBROWSER, answering the scripted window ids and recording every item.
class DdeBrowser : public BrowserAssociation {
protected:
    void SetUp() override {
        BrowserAssociation::SetUp();
        ddeRecord = record + ".dde";
        DeleteFileA(ddeRecord.c_str());
        SetEnvironmentVariableA("RV_DDE_RECORD", ddeRecord.c_str());
    }
    void TearDown() override {
        stopServer();
        BrowserAssociation::TearDown();
        DeleteFileA(ddeRecord.c_str());
    }
    void startServer(const std::string& windowIds, const std::string& name = "FIXBROWSER") {
        service = name;
        idle = CreateEventA(nullptr, FALSE, FALSE, ("RvDdeIdle-" + service).c_str());
        std::string line =
            "\"" + programDirectory() + "\\ddeserver.exe\" " + service + " " + windowIds + " 60";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        ASSERT_TRUE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                   &startup, &process));
        CloseHandle(process.hThread);
        server = process.hProcess;
        serverThread = process.dwThreadId;
        // Natively the server is up in well under a second; the i686 run's
        // full-system emulation, beside other suites, can take tens.
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(idle, 60000));
    }
    // Waits until the server has handled all that came before and waits
    // for more, so that the next connection finds it answering (see
    // dde_server.cpp). A request with no server running needs none.
    void settle() {
        if (!server)
            return;
        ASSERT_TRUE(PostThreadMessageA(serverThread, WM_APP, 0, 0));
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(idle, 60000));
    }
    // Asks the server to quit (after everything sent before) and waits for
    // it, with a client of its own: the layer may be stopped by now.
    void stopServer() {
        if (!server)
            return;
        uint32_t client = platDdeStartClient();
        PlatDdeConversation conversation;
        if (client && platDdeConnect(client, service.c_str(), "WWW_Version", &conversation) == 0) {
            uint32_t size;
            platDdeRequest(&conversation, "quit", 5000, nullptr, 0, &size);
            platDdeDisconnect(&conversation);
        }
        platDdeStopClient(client);
        if (WaitForSingleObject(server, 10000) != WAIT_OBJECT_0)
            TerminateProcess(server, 1);
        CloseHandle(server);
        CloseHandle(idle);
        server = idle = nullptr;
    }
    // The server's record once it has quit.
    std::string items() {
        stopServer();
        return readFile(ddeRecord);
    }
    int open(const std::string& url) {
        settle();
        return openUrl(&info, url.data(), static_cast<uint32_t>(url.size()));
    }
    std::string openItem(const std::string& text) {
        return "REQUEST WWW_OpenURL \"" + text + "\",," + std::to_string(info.ddeWindowId) +
               ",0,,," + browserInstanceTag() + "\n";
    }
    const std::string probe = "REQUEST WWW_Version WWW_Version\n";
    const std::string quit = "REQUEST WWW_Version quit\n";
    std::string ddeRecord, service;
    HANDLE server = nullptr, idle = nullptr;
    DWORD serverThread = 0;
};
} // namespace

TEST_F(DdeBrowser, ARunningBrowserIsHandedTheHelpFrameUrlAndActivated) {
    associate("RvTestHTML", "\"" + fixture + "\" \"%1\"", "FIXBROWSER");
    startServer("42,0,43");
    ASSERT_EQ(0, discoverBrowser(&info));
    std::string url = "http://h/help?context=ODBC&topic=a";
    std::string text = handoff(url);
    std::string first = openItem(text);
    ASSERT_EQ(0, open(url));
    EXPECT_EQ(42u, info.ddeWindowId);
    // That window answers 0 the next time: the URL goes to no particular
    // window, once.
    std::string again = openItem(text);
    ASSERT_EQ(0, discoverBrowser(&info));
    ASSERT_EQ(0, open(url));
    EXPECT_EQ(43u, info.ddeWindowId);
    EXPECT_EQ(probe + first + "REQUEST WWW_Activate 42,0\n" + probe + again + first +
                  "REQUEST WWW_Activate 43,0\n" + quit,
              items());
    EXPECT_FALSE(fileExists(record)); // no browser was started
}

TEST_F(DdeBrowser, ABrowserThatOpensNoWindowIsStartedInstead) {
    associate("FirefoxHTML", "\"" + fixture + "\" \"%1\"", "FIXBROWSER");
    startServer("0,4294967295");
    ASSERT_EQ(0, discoverBrowser(&info));
    info.useContextHandoff = 0;
    const std::string url = "http://h/x";
    std::string expected = probe + openItem(url);
    // 0 with no window to drop, then 0xFFFFFFFF: each a failure.
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(0, open(url));
        EXPECT_EQ("\"" + fixture + "\" \"" + url + "\"", recorded());
        DeleteFileA(record.c_str());
    }
    expected += expected;
    // An item over 255 characters is not sent to a browser but Netscape.
    std::string longUrl = "http://h/" + std::string(300, 'p');
    ASSERT_EQ(0, open(longUrl));
    EXPECT_EQ("\"" + fixture + "\" \"" + longUrl + "\"", recorded());
    EXPECT_EQ(browserWindowNone, info.ddeWindowId);
    EXPECT_EQ(expected + probe + quit, items());
}

TEST_F(DdeBrowser, NetscapeReadsALongUrlFromTheFileNamedAfterTheCaret) {
    associate("NetscapeMarkup", "\"" + fixture + "\" \"%1\"", "FIXBROWSER");
    startServer("7");
    ASSERT_EQ(0, discoverBrowser(&info));
    std::string url = "file:///C:/Help/" + std::string(300, 'n') + "?a=1";
    std::string text = handoff(url);
    std::string expected = probe + openItem("^" + redirect) + "REQUEST WWW_Activate 7,0\n";
    ASSERT_EQ(0, open(url));
    EXPECT_EQ(text, readFile(redirect));
    EXPECT_EQ(expected + quit, items());
}

TEST_F(DdeBrowser, WithNoServerAnsweringTheBrowserIsStarted) {
    associate("FirefoxHTML", "\"" + fixture + "\" \"%1\"", "FIXBROWSER");
    ASSERT_EQ(0, discoverBrowser(&info));
    ASSERT_EQ(0, open("http://h/y"));
    EXPECT_EQ("\"" + fixture + "\" \"http://h/y\"", recorded());
}

namespace {
const char shellWindowsServer[] =
    "Software\\Classes\\CLSID\\{9BA05972-F6A8-11CF-A442-00A0C90A8F39}\\InprocServer32";

std::string registryText(const char* path, const char* name) {
    char value[MAX_PATH] = {};
    DWORD size = sizeof value;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, path, name, RRF_RT_REG_SZ, nullptr, value, &size) !=
        ERROR_SUCCESS)
        return "";
    return value;
}

// Internet Explorer, running: its DDE service "IExplore" answers and the
// shell-windows collection is the scripted stand-in (shellwinfix.dll),
// registered in place of Wine's for the test. Each help request here is a
// whole one, from its start to its end, on the help root below.
class InternetExplorer : public DdeBrowser {
protected:
    void SetUp() override {
        DdeBrowser::SetUp();
        // The help requests start and stop the layer themselves.
        releaseBrowserInfo(&info);
        browserLayerStop();
        std::remove(placeholder.c_str());
        shellScript = record + ".shell";
        shellRecord = record + ".calls";
        SetEnvironmentVariableA("RV_SHELL_SCRIPT", shellScript.c_str());
        SetEnvironmentVariableA("RV_SHELL_RECORD", shellRecord.c_str());
        DeleteFileA(shellRecord.c_str());
        savedServer = registryText(shellWindowsServer, nullptr);
        savedModel = registryText(shellWindowsServer, "ThreadingModel");
        if (savedServer.find("shellwinfix") != std::string::npos) {
            // Left by a run that was stopped halfway: Wine's registration.
            savedServer = "C:\\windows\\system32\\ieframe.dll";
            savedModel = "Apartment";
        }
        ASSERT_TRUE(seedText(HKEY_LOCAL_MACHINE, shellWindowsServer, "",
                             programDirectory() + "\\shellwinfix.dll"));
        ASSERT_TRUE(seedText(HKEY_LOCAL_MACHINE, shellWindowsServer, "ThreadingModel", "Both"));
        associate("RvTestHTML", "\"" + fixture + "\"", "IExplore");
        ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        frame = CreateWindowA("STATIC", "help", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                              nullptr, nullptr, nullptr);
        ASSERT_TRUE(frame);
    }
    void TearDown() override {
        endHelpRequest();
        DestroyWindow(frame);
        CoUninitialize();
        seedText(HKEY_LOCAL_MACHINE, shellWindowsServer, "", savedServer);
        seedText(HKEY_LOCAL_MACHINE, shellWindowsServer, "ThreadingModel", savedModel);
        DdeBrowser::TearDown();
        DeleteFileA(shellScript.c_str());
        DeleteFileA(shellRecord.c_str());
    }
    void script(const std::string& lines) { std::ofstream(shellScript, std::ios::binary) << lines; }
    std::string frameWindow() { return std::to_string(reinterpret_cast<uintptr_t>(frame)); }
    // One help request for the single-topic view of "infgeneral".
    int request() {
        settle();
        if (beginHelpRequest(root) != 0)
            return -2;
        redirect = browserRedirectFileName();
        placeholder = redirect.substr(0, redirect.size() - 4);
        int opened = showHelpTopic("ODBC", "infgeneral");
        return endHelpRequest() == 0 ? opened : -3;
    }
    std::string calls() { return readFile(shellRecord); }
    // Collections and windows of the stand-in still alive; none while it
    // was never loaded.
    long liveObjects() {
        HMODULE server = GetModuleHandleA("shellwinfix.dll");
        if (!server)
            return 0;
        FARPROC entry = GetProcAddress(server, "ShellFixLiveObjects");
        auto count = reinterpret_cast<LONG(WINAPI*)()>(reinterpret_cast<void (*)()>(entry));
        return count ? count() : -1;
    }
    const char* root = "file:///C:/Help Files"; // handed to each request
    const std::string entry =
        "file:///C:/Help Files/wwhelp/wwhimpl/api.htm?context=ODBC&topic=infgeneral&single=true";
    const std::string ie = "C:\\Program Files\\Internet Explorer\\iexplore.exe";
    std::string shellScript, shellRecord, savedServer, savedModel;
    HWND frame = nullptr;
};
} // namespace

TEST_F(InternetExplorer, TheWindowShowingTheHelpIsNavigatedToTheHandoffAndRestored) {
    startServer("1", "IExplore");
    ShowWindow(frame, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(frame));
    // A folder window on the help, a window gone meanwhile, an object that
    // is no browser and a browser elsewhere are passed over; the help shows
    // with its folder escaped, under the program's upper-case name.
    script("window|browser|C:\\windows\\explorer.exe|file:///C:/Help Files/|0|ok|0\n"
           "window|missing|||0|ok|0\n"
           "window|nobrowser|||0|ok|0\n"
           "window|browser|" +
           ie +
           "|http://example/|0|ok|0\n"
           "window|browser|C:\\PROGRA~1\\INTERN~1\\IEXPLORE.EXE|"
           "file:///C:/Help%20Files/wwhelp/wwhimpl/api.htm?context=ODBC|3|ok|" +
           frameWindow() + "\n");
    ASSERT_EQ(0, request());
    EXPECT_EQ("CREATE\nCOUNT\nITEM 3 0\nFULLNAME 0\nITEM 3 1\nITEM 3 2\nITEM 3 3\nFULLNAME 3\n"
              "LOCATION 3\nITEM 3 4\nFULLNAME 4\nLOCATION 4\nNAVIGATE 4 " +
                  handoff(entry) + " 0,0,0,0\nBUSY 4\nBUSY 4\nBUSY 4\nBUSY 4\nHWND 4\n",
              calls());
    EXPECT_FALSE(IsIconic(frame));
    EXPECT_EQ(0, liveObjects()); // every object obtained was released
    EXPECT_EQ(probe + quit, items());
    EXPECT_FALSE(fileExists(record)); // no browser was started
}

TEST_F(InternetExplorer, WithoutAWindowThatTakesTheHelpANewBrowserIsStarted) {
    startServer("1", "IExplore");
    const std::string started = "\"" + fixture + "\" \"";
    auto startedOnThePage = [&] {
        std::string line = recorded();
        DeleteFileA(record.c_str());
        bool onPage = line == started + redirect + "\"" &&
                      readFile(redirect) == pageHeader + entry + pageFooter;
        std::remove(redirect.c_str());
        std::remove(placeholder.c_str());
        return onPage;
    };
    // No window shows the help.
    script("window|browser|" + ie + "|file:///C:/Other/api.htm|0|ok|0\n");
    ASSERT_EQ(0, request());
    EXPECT_TRUE(startedOnThePage());
    // The window that shows it refuses the navigation.
    script("window|browser|" + ie + "|file:///C:/Help Files/x.htm|0|fails|0\n");
    ASSERT_EQ(0, request());
    EXPECT_TRUE(startedOnThePage());
    EXPECT_NE(std::string::npos, calls().find("NAVIGATE 0 "));
    // The collection cannot count its windows.
    script("count-fails\n");
    ASSERT_EQ(0, request());
    EXPECT_TRUE(startedOnThePage());
    // A thread that has not initialised COM cannot reach the collection.
    DeleteFileA(shellRecord.c_str());
    script("window|browser|" + ie + "|file:///C:/Help Files/x.htm|0|ok|0\n");
    int opened = -4;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        opened = request();
        done = true;
    });
    // DDE's connection broadcast waits on every top-level window, this
    // thread's frame among them: keep answering while the other one works.
    while (!done) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
        Sleep(10);
    }
    worker.join();
    EXPECT_EQ(0, opened);
    EXPECT_TRUE(startedOnThePage());
    EXPECT_EQ("", calls());
    // Wine's own registration gives no collection (its ieframe refuses the
    // class): the shell windows are unavailable.
    ASSERT_TRUE(seedText(HKEY_LOCAL_MACHINE, shellWindowsServer, "", savedServer));
    ASSERT_TRUE(seedText(HKEY_LOCAL_MACHINE, shellWindowsServer, "ThreadingModel", savedModel));
    ASSERT_EQ(0, request());
    EXPECT_TRUE(startedOnThePage());
    EXPECT_EQ("", calls());
    // Internet Explorer not running: its DDE service does not answer.
    stopServer();
    ASSERT_EQ(0, request());
    EXPECT_TRUE(startedOnThePage());
    EXPECT_EQ("", calls());
    EXPECT_EQ(0, liveObjects());
}

TEST_F(InternetExplorer, ADoubleByteHelpFolderIsFoundAndNavigatedToWhole) {
    REQUIRE_CODE_PAGE(932);
    startServer("1", "IExplore");
    // "\x83\x5c\x83\x74\x83\x67" is a Shift-JIS word whose first
    // character ends in 0x5C.
    const std::string folder = "C:/\x83\x5c\x83\x74\x83\x67";
    const std::string url = "file:///" + folder;
    root = url.c_str();
    script("window|browser|" + ie + "|" + url + "/wwhelp/wwhimpl/api.htm|0|ok|" + frameWindow() +
           "\n");
    ASSERT_EQ(0, request());
    std::string expected =
        handoff(url + "/wwhelp/wwhimpl/api.htm?context=ODBC&topic=infgeneral&single=true");
    EXPECT_NE(std::string::npos, calls().find("NAVIGATE 0 " + expected + " 0,0,0,0\n")) << calls();
    EXPECT_FALSE(fileExists(record));
}

// Out of memory at any step: the request fails cleanly, or the URL still
// reaches the window or a new browser; nothing is left held either way.
TEST_F(InternetExplorer, WhicheverAllocationFailsNothingIsLeftHeld) {
    startServer("1", "IExplore");
    script("window|browser|" + ie + "|file:///C:/Help%20Files/x.htm|0|ok|0\n");
    for (long n = 1;; ++n) {
        ScopedErrorList errors;
        DeleteFileA(shellRecord.c_str());
        long live = rvAllocLive();
        rvAllocFailAt(n);
        int result = request();
        long made = rvAllocCount();
        rvAllocFailAt(0);
        EXPECT_EQ(live, rvAllocLive()) << n;
        EXPECT_EQ(0, liveObjects()) << n;
        EXPECT_TRUE(result == 0 || result == -1 || result == -2) << n << ": " << result;
        bool navigated = calls().find("NAVIGATE 0 ") != std::string::npos;
        if (result == 0 && !navigated) {
            EXPECT_NE("(no browser)", recorded()) << n;
            DeleteFileA(record.c_str());
        }
        std::remove(redirect.c_str());
        std::remove(placeholder.c_str());
        if (made < n) {
            EXPECT_EQ(0, result);
            EXPECT_TRUE(navigated);
            break;
        }
    }
}

TEST_F(InternetExplorer, ABrowserThatStaysBusyIsLeftLoadingAfterTenSeconds) {
    startServer("1", "IExplore");
    script("window|browser|" + ie + "|file:///C:/Help Files/x.htm|always|ok|" + frameWindow() +
           "\n");
    DWORD start = GetTickCount();
    ASSERT_EQ(0, request());
    DWORD waited = GetTickCount() - start;
    EXPECT_GE(waited, 10000u);
    EXPECT_LT(waited, 20000u);
    std::string log = calls();
    size_t reads = 0;
    for (size_t at = log.find("BUSY 0"); at != std::string::npos; at = log.find("BUSY 0", at + 1))
        ++reads;
    EXPECT_EQ(100u, reads);
    EXPECT_NE(std::string::npos, log.find("HWND 0"));
    EXPECT_FALSE(fileExists(record));
}
#endif
