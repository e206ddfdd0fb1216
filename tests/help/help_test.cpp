// Online help: the URL a help command opens, the one-request rule, failures
// of the browser launch, and the message about a missing help folder. The
// browser launch is replaced by a recorder; the help folder is read from
// the registry under Wine only, since a Linux host has none.
#include "base/allocation.h"
#include "base/resource_library.h"
#include "help/browser_launch.h"
#include "help/help_url.h"
#include "support/test_support.h"
#include <cstring>
#include <string>
#include <vector>
#ifdef _WIN32
#include "support/windows_fixture.h"
#include <windows.h>
#endif

namespace {
const char entry[] = "/wwhelp/wwhimpl/api.htm";

// Records the browser launch's calls; failStep names the one to fail.
struct Recorder {
    std::string calls;
    std::vector<std::string> urls;
    std::string failStep;
} recorder;

int record(const char* step) {
    recorder.calls += recorder.calls.empty() ? step : std::string(" ") + step;
    return recorder.failStep == step ? -1 : 0;
}
int fakeStart() {
    return record("start");
}
int fakeStop() {
    return record("stop");
}
int fakePrepare(BrowserInfo*) {
    return record("prepare");
}
int fakeRelease(BrowserInfo*) {
    return record("release");
}
int fakeDiscover(BrowserInfo*) {
    return record("discover");
}
int fakeOpen(BrowserInfo*, const char* url, uint32_t length) {
    recorder.urls.emplace_back(url, length);
    return record("open");
}

class Help : public testing::Test {
protected:
    void SetUp() override {
        saved = browserLaunch;
        browserLaunch = {fakeStart,    fakeStop, fakePrepare, fakeRelease,
                         fakeDiscover, fakeOpen, saved.info};
        recorder = Recorder();
    }
    void TearDown() override {
        if (activeHelpRootUrl())
            endHelpRequest();
        browserLaunch = saved;
    }
    // Runs a help request for root (modified in place, as the caller's
    // buffer is) and returns its result.
    int display(std::string& root, const char* topic = "infgeneral") {
        int result = displayHelpTopic(&root[0], "ODBC", topic);
        root.resize(std::strlen(root.c_str()));
        return result;
    }
    BrowserLaunch saved;
};

std::string noHelpFolderBox() {
    char caption[resourceStringCapacity], text[resourceStringCapacity];
    EXPECT_GT(loadResourceStringA(caption, 1525), 0);
    EXPECT_GT(loadResourceStringA(text, 1526), 0);
    return std::string(caption) + "|" + text;
}
} // namespace

TEST_F(Help, APageTopicOpensTheEntryPageInSingleView) {
    std::string root = "file:///C:\\Help\\Driver";
    EXPECT_EQ(0, display(root, "infconnection"));
    EXPECT_EQ("file:///C:/Help/Driver", root);
    ASSERT_EQ(1u, recorder.urls.size());
    EXPECT_EQ("file:///C:/Help/Driver/wwhelp/wwhimpl/api.htm?context=ODBC&topic=infconnection"
              "&single=true",
              recorder.urls[0]);
    EXPECT_EQ("start prepare discover open release stop", recorder.calls);
    EXPECT_EQ(nullptr, activeHelpRootUrl());
    EXPECT_EQ(nullptr, activeHelpEntryUrl());
}

TEST_F(Help, ARootAlreadyInUrlFormIsUsedAsItIs) {
    std::string slashes = "file:///C:/Help Files/Driver/";
    EXPECT_EQ(0, display(slashes));
    std::string doubled = "file:///C:\\Help Files\\Driver\\";
    EXPECT_EQ(0, display(doubled));
    ASSERT_EQ(2u, recorder.urls.size());
    for (const std::string& url : recorder.urls)
        EXPECT_EQ("file:///C:/Help Files/Driver//wwhelp/wwhimpl/api.htm"
                  "?context=ODBC&topic=infgeneral&single=true",
                  url);
}

TEST_F(Help, ParameterGroupsStartWithAQuestionMarkAndJoinWithAmpersands) {
    ASSERT_EQ(0, beginHelpRequest("file:///H"));
    struct Case {
        const char *context, *topic;
        int single;
        uint32_t tab;
        const char* query;
    } cases[] = {
        {"ODBC", "", 1, helpTabNone, "?single=true"},
        {"ODBC", "infadvanced", 0, helpTabNone, "?context=ODBC&topic=infadvanced"},
        {nullptr, nullptr, 0, helpTabIndex, "?tab=index"},
        {nullptr, nullptr, 0, 7, ""},
        {"", "infgeneral", 1, helpTabSearch, "?single=true&tab=search"},
        {"ODBC", "infgeneral", 1, helpTabFavorites,
         "?context=ODBC&topic=infgeneral&single=true&tab=favorites"},
        {"ODBC", "a b&c", 0, helpTabContents, "?context=ODBC&topic=a b&c&tab=contents"},
    };
    for (const Case& c : cases) {
        recorder.urls.clear();
        EXPECT_EQ(0, buildHelpUrl(c.context, c.topic, c.single, c.tab)) << c.query;
        ASSERT_EQ(1u, recorder.urls.size());
        EXPECT_EQ(std::string("file:///H") + entry + c.query, recorder.urls[0]);
    }
    recorder.urls.clear();
    EXPECT_EQ(-1, showHelpTopic(nullptr, "infgeneral"));
    EXPECT_EQ(-1, showHelpTopic("ODBC", ""));
    EXPECT_TRUE(recorder.urls.empty());
}

TEST_F(Help, OnlyOneRequestIsActiveAtATime) {
    EXPECT_EQ(-1, buildHelpUrl("ODBC", "infgeneral", 1, 0));
    EXPECT_EQ(-1, beginHelpRequest(""));
    EXPECT_EQ(-1, beginHelpRequest(nullptr));
    ASSERT_EQ(0, beginHelpRequest("file:///first"));
    EXPECT_EQ(-1, beginHelpRequest("file:///second"));
    EXPECT_STREQ("file:///first", activeHelpRootUrl());
    EXPECT_EQ(std::string("file:///first") + entry, activeHelpEntryUrl());
    std::string root = "file:///third";
    EXPECT_EQ(-1, display(root));
    EXPECT_EQ("start prepare", recorder.calls);
    EXPECT_EQ(0, endHelpRequest());
    EXPECT_EQ(-1, endHelpRequest());
    EXPECT_EQ("start prepare release stop", recorder.calls);
    EXPECT_TRUE(recorder.urls.empty());
}

TEST_F(Help, AFailingBrowserStepFailsTheRequestAndStillEndsIt) {
    struct Case {
        const char* failStep;
        const char* calls;
    } cases[] = {
        {"start", "start"},
        {"prepare", "start prepare stop"},
        {"discover", "start prepare discover release stop"},
        {"open", "start prepare discover open release stop"},
        {"release", "start prepare discover open release stop"},
        {"stop", "start prepare discover open release stop"},
    };
    for (const Case& c : cases) {
        recorder = Recorder();
        recorder.failStep = c.failStep;
        std::string root = "file:///C:/Help";
        EXPECT_EQ(-1, display(root)) << c.failStep;
        EXPECT_EQ(c.calls, recorder.calls) << c.failStep;
        EXPECT_EQ(nullptr, activeHelpRootUrl()) << c.failStep;
    }
}

TEST_F(Help, ARequestEndsCleanlyWhicheverAllocationFails) {
    for (long n = 1;; ++n) {
        recorder = Recorder();
        ScopedErrorList errors;
        long live = rvAllocLive();
        std::string root = "file:///C:\\Help";
        rvAllocFailAt(n);
        int result = display(root);
        long made = rvAllocCount();
        rvAllocFailAt(0);
        EXPECT_EQ(nullptr, activeHelpRootUrl()) << n;
        EXPECT_EQ(live, rvAllocLive()) << n;
        if (made < n) {
            EXPECT_EQ(0, result);
            EXPECT_GT(n, 3);
            break;
        }
        EXPECT_EQ(-1, result) << n;
        EXPECT_TRUE(recorder.urls.empty()) << n;
    }
}

TEST_F(Help, ABackslashIsReplacedOnlyWhereItIsAWholeCharacter) {
    // 0x95 0x5C is one character in code page 932, two in 1252.
    std::string root = "file:///C:\\\x95\x5C\\Help\\\x95";
    EXPECT_EQ(0, display(root));
    if (expectedCodePage() == 932)
        EXPECT_EQ("file:///C:/\x95\x5C/Help/\x95", root);
    else
        EXPECT_EQ("file:///C:/\x95//Help/\x95", root);
    ASSERT_EQ(1u, recorder.urls.size());
    EXPECT_EQ(root + entry + "?context=ODBC&topic=infgeneral&single=true", recorder.urls[0]);
}

#ifdef _WIN32
#include "support/message_boxes.h"
#include "support/registry_keys.h"
namespace {
// The messages shown while act runs, as "caption|text", each answered OK.
template <typename Act> std::vector<std::string> boxesShownBy(Act act) {
    std::vector<Box> seen;
    {
        BoxWatcher watcher;
        act();
        seen = watcher.boxes();
    }
    std::vector<std::string> shown;
    for (const Box& box : seen)
        shown.push_back(box.caption + "|" + box.text);
    return shown;
}

const char driver[] = "RV Help Test Driver";

class HelpFolder : public Help {
protected:
    void SetUp() override {
        Help::SetUp();
        removeKey(HKEY_LOCAL_MACHINE, std::string(driversKey) + driver);
    }
    void TearDown() override {
        removeKey(HKEY_LOCAL_MACHINE, std::string(driversKey) + driver);
        Help::TearDown();
    }
    void seedFolder(const std::string& folder) {
        ASSERT_TRUE(seedText(HKEY_LOCAL_MACHINE, std::string(driversKey) + driver,
                             "HelpRootDirectory", folder));
    }
};
} // namespace

TEST_F(HelpFolder, TheDriversHelpFolderGivesTheTopicUrl) {
    seedFolder("C:\\Help\\Driver");
    EXPECT_TRUE(boxesShownBy([] { showContextHelp(driver, "infadvanced", "ODBC"); }).empty());
    ASSERT_EQ(1u, recorder.urls.size());
    EXPECT_EQ("file:///C:/Help/Driver/wwhelp/wwhimpl/api.htm?context=ODBC&topic=infadvanced"
              "&single=true",
              recorder.urls[0]);
}

TEST_F(HelpFolder, AFolderOfTheLongestPathLengthIsUsedWhole) {
    std::string folder = "C:\\" + std::string(256, 'h');
    seedFolder(folder);
    char root[helpRootUrlCapacity + 1];
    EXPECT_EQ(0, getHelpRootUrl(driver, root, helpRootUrlCapacity));
    EXPECT_EQ("file:///" + folder, root);
    EXPECT_EQ(267u, std::strlen(root));
}

TEST_F(HelpFolder, ARootUrlThatWouldNotFitIsRefusedRatherThanCut) {
    seedFolder("C:\\Help\\Driver"); // file:///C:\Help\Driver: 22 characters
    char root[32] = "x";
    EXPECT_TRUE(boxesShownBy([&] {
                    EXPECT_EQ(1, getHelpRootUrl(driver, root, 21));
                    EXPECT_STREQ("", root);
                    EXPECT_EQ(0, getHelpRootUrl(driver, root, 22));
                    EXPECT_STREQ("file:///C:\\Help\\Driver", root);
                    EXPECT_EQ(1, getHelpRootUrl(driver, nullptr, 22));
                    EXPECT_EQ(1, getHelpRootUrl(driver, root, 0));
                }).empty());
}

TEST_F(HelpFolder, AnEmptyOrOverlongFolderShowsTheNoHelpMessage) {
    for (const std::string& folder : {std::string(), "C:\\" + std::string(257, 'h')}) {
        seedFolder(folder);
        std::vector<std::string> boxes =
            boxesShownBy([] { showContextHelp(driver, "infgeneral", "ODBC"); });
        ASSERT_EQ(1u, boxes.size()) << folder.size();
        EXPECT_EQ(noHelpFolderBox(), boxes[0]);
    }
    EXPECT_EQ("", recorder.calls);
}
#else
namespace {
// The messages shown while act runs, as "caption|text". The POSIX stand-in
// writes a message box to the standard error stream as
// "caption: text".
template <typename Act> std::vector<std::string> boxesShownBy(Act act) {
    testing::internal::CaptureStderr();
    act();
    std::string out = testing::internal::GetCapturedStderr();
    std::vector<std::string> boxes;
    for (size_t start = 0, end; (end = out.find('\n', start)) != std::string::npos;
         start = end + 1) {
        std::string line = out.substr(start, end - start);
        size_t colon = line.find(": ");
        if (colon != std::string::npos)
            boxes.push_back(line.substr(0, colon) + "|" + line.substr(colon + 2));
    }
    return boxes;
}
} // namespace
#endif

// No driver of these names has a help folder (a Linux host has no registry
// at all).
TEST_F(Help, AMissingHelpFolderShowsTheNoHelpMessageAndNothingElse) {
    for (const char* driverName : {"RV Help Missing Driver", ""}) {
        std::vector<std::string> boxes =
            boxesShownBy([&] { showContextHelp(driverName, "infgeneral", "ODBC"); });
        ASSERT_EQ(1u, boxes.size());
        EXPECT_EQ(noHelpFolderBox(), boxes[0]);
    }
    EXPECT_EQ("", recorder.calls);
}
