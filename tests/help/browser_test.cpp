// The browser launch: the request's tag and redirect page path, the
// hand-off URL, the redirect page and the browser's command line; under
// Wine also the default browser read from a seeded ".htm" association and
// started for real (the recording browser stand-in, browserfix.exe).
#include "base/rvalloc.h"
#include "help/rvbrowser.h"
#include "help/rvdisplayhelp.h"
#include "support/testsupport.h"
#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#ifdef _WIN32
#include "profile/winfixture.h"
#include <windows.h>
#endif

namespace {
std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}
bool fileExists(const std::string& path) {
    return std::ifstream(path, std::ios::binary).good();
}

const std::string pageHeader = "<html>\n"
                               " <head>\n"
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
    std::string handoff(const std::string& url) {
        char* out = nullptr;
        uint32_t n = 0;
        if (makeHandoffUrl(url.data(), static_cast<uint32_t>(url.size()), &out, &n) != 0)
            return "(refused)";
        std::string text(out, n);
        rvFree(out);
        return text;
    }
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
    // A browser may still be reading the page: nothing is deleted.
    EXPECT_TRUE(fileExists(placeholder));
    std::remove(placeholder.c_str());
}

TEST_F(Browser, TheHandoffUrlEscapesWhatWouldEndOrAlterTheScriptString) {
    EXPECT_EQ("javascript:x=unescape('a%3fb%26c');if(typeof(window.WWHFrame)!='undefined')"
              "{window.WWHFrame.WWHHelp.fSetContextDocument(x);}",
              handoff("a?b&c"));
    std::string all = handoff("\"%&'?\\ #/<>=");
    EXPECT_NE(std::string::npos, all.find("unescape('%22%25%26%27%3f%5c #/<>=');")) << all;
    EXPECT_EQ(23 + 18 + 6 + 92u, all.size());
    EXPECT_EQ("(refused)", handoff(""));
    char* out = nullptr;
    uint32_t n = 0;
    EXPECT_EQ(-1, makeHandoffUrl(nullptr, 3, &out, &n));
    EXPECT_EQ(nullptr, out);
}

TEST_F(Browser, TheRedirectPageHoldsTheUrlUnchangedBetweenItsFixedParts) {
    ASSERT_EQ(167u, pageHeader.size());
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

TEST_F(Browser, ACommandLineThatWouldNotFitWholeIsRefused) {
    // "b.exe " and the target, or "b.exe", ' "', the target and '"', must
    // leave room for the terminator of 4096 bytes.
    EXPECT_NE("(refused)", command("b.exe %1", std::string(4089, 'u'), 1));
    EXPECT_EQ("(refused)", command("b.exe %1", std::string(4090, 'u'), 1));
    EXPECT_NE("(refused)", command("b.exe", std::string(4087, 'u'), 1));
    EXPECT_EQ("(refused)", command("b.exe", std::string(4088, 'u'), 1));
    EXPECT_EQ("(refused)", command("b.exe", std::string(5000, 'u'), 1));
    // A NUL would end the command line early, on another address.
    EXPECT_EQ("(refused)", command("b.exe", std::string("http://a\0b", 10), 1));
    EXPECT_EQ(-1, openUrl(&info, nullptr, 4));
    EXPECT_EQ(-1, openUrl(&info, "http://a", 0));
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
        for (const char* key : {".htm", "RvTestHTML", "FirefoxHTML", "NetscapeMarkup"})
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
    removeKey(HKEY_LOCAL_MACHINE, std::string(classes) + "RvTestHTML");
    EXPECT_EQ(-1, discoverBrowser(&info));
}

TEST_F(BrowserAssociation, AHelpRequestStartsAMozillaBrowserOnTheHelpUrl) {
    // The layer of the fixture would refuse the request's own start.
    Browser::TearDown();
    associate("FirefoxHTML", "\"" + fixture + "\" -osint -url \"%1\"");
    std::string root = "file:///C:\\Help\\Driver";
    EXPECT_EQ(0, displayHelpTopic(&root[0], "ODBC", "infgeneral"));
    EXPECT_EQ("\"" + fixture +
                  "\" -osint -url \"file:///C:/Help/Driver/wwhelp/wwhimpl/api.htm?context=ODBC"
                  "&topic=infgeneral&single=true\"",
              recorded());
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

TEST_F(BrowserAssociation, ABrowserThatCannotBeStartedFailsTheOpen) {
    associate("RvTestHTML", "\"C:\\no such folder\\browser.exe\" \"%1\"");
    ASSERT_EQ(0, discoverBrowser(&info));
    EXPECT_EQ(-1, openUrl(&info, "http://h/x", 10));
}
#endif
