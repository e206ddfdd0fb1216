// The resource library: its name follows the setup library's, it is looked
// for beside it and then through the platform's search, it is counted per
// use, and strings load in narrow or wide form.
#include "base/resource_library.h"
#include "support/windows_fixture.h"
#include <gtest/gtest.h>

namespace {
bool copyBuilt(const char* builtName, const std::string& to) {
    return CopyFileA((programDirectory() + "\\" + builtName).c_str(), to.c_str(), FALSE) != 0;
}

// A setup library named kwinf24s.dll in a scratch directory of its own.
class ResourceNaming : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(copyBuilt("qzifx06s.dll", dir.file("kwinf24s.dll")));
        setup = LoadLibraryA(dir.file("kwinf24s.dll").c_str());
        ASSERT_NE(nullptr, setup);
        GetCurrentDirectoryA(sizeof savedDirectory, savedDirectory);
    }
    void TearDown() override {
        while (library)
            releaseResourceLibrary(&library, &uses);
        SetCurrentDirectoryA(savedDirectory);
        if (setup)
            FreeLibrary(setup);
    }
    std::string loadedFrom() { return moduleFileName(static_cast<HMODULE>(library)); }

    ScratchDirectory dir{"setup"};
    HMODULE setup = nullptr;
    PlatModule library = nullptr;
    int32_t uses = 0;
    char savedDirectory[MAX_PATH] = {};
};
} // namespace

TEST_F(ResourceNaming, TheLibraryBesideTheSetupLibraryIsLoadedFirst) {
    ScratchDirectory elsewhere("cwd");
    ASSERT_TRUE(copyBuilt("qzifx06R.dll", dir.file("kwinf24R.DLL")));
    ASSERT_TRUE(copyBuilt("qzifx06R.dll", elsewhere.file("kwinf24R.DLL")));
    SetCurrentDirectoryA(elsewhere.path().c_str());
    ASSERT_EQ(0, loadResourceLibrary(setup, 1, &library, &uses));
    EXPECT_EQ(1, uses);
    EXPECT_TRUE(sameFile(dir.file("kwinf24R.DLL"), loadedFrom())) << loadedFrom();
    wchar_t text[64];
    EXPECT_EQ(13, LoadStringW(static_cast<HMODULE>(library), 30190, text, 64));
}

TEST_F(ResourceNaming, WithoutOneBesideItThePlatformsSearchFindsIt) {
    ScratchDirectory current("cwd");
    ASSERT_TRUE(copyBuilt("qzifx06R.dll", current.file("kwinf24R.DLL")));
    SetCurrentDirectoryA(current.path().c_str());
    ASSERT_EQ(0, loadResourceLibrary(setup, 1, &library, &uses));
    EXPECT_TRUE(sameFile(current.file("kwinf24R.DLL"), loadedFrom())) << loadedFrom();
    releaseResourceLibrary(&library, &uses);

    // Through PATH.
    ScratchDirectory onPath("path");
    ASSERT_TRUE(copyBuilt("qzifx06R.dll", onPath.file("kwinf24R.DLL")));
    SetCurrentDirectoryA(dir.path().c_str());
    DeleteFileA(current.file("kwinf24R.DLL").c_str());
    char path[32767];
    DWORD n = GetEnvironmentVariableA("PATH", path, sizeof path);
    std::string saved(path, n < sizeof path ? n : 0);
    SetEnvironmentVariableA("PATH", (onPath.path() + ";" + saved).c_str());
    int found = loadResourceLibrary(setup, 1, &library, &uses);
    SetEnvironmentVariableA("PATH", saved.c_str());
    ASSERT_EQ(0, found);
    EXPECT_TRUE(sameFile(onPath.file("kwinf24R.DLL"), loadedFrom())) << loadedFrom();
}

TEST_F(ResourceNaming, NothingFoundFailsWithTheHandleNullAndTheCountUnchanged) {
    library = reinterpret_cast<PlatModule>(1);
    EXPECT_EQ(1, loadResourceLibrary(setup, 1, &library, &uses));
    EXPECT_EQ(nullptr, library);
    EXPECT_EQ(0, uses);
}

TEST_F(ResourceNaming, WithoutReplacingTheLastCharacterTheSuffixFollowsTheWholeName) {
    ASSERT_TRUE(copyBuilt("qzifx06R.dll", dir.file("kwinf24R.DLL")));
    ASSERT_TRUE(copyBuilt("qzifx06R.dll", dir.file("kwinf24sR.DLL")));
    ASSERT_EQ(0, loadResourceLibrary(setup, 0, &library, &uses));
    EXPECT_TRUE(sameFile(dir.file("kwinf24sR.DLL"), loadedFrom())) << loadedFrom();
}

TEST_F(ResourceNaming, ANameWithNoDotAfterItsFirstCharacterLoadsNothing) {
    // Files that a rule reading the first character as the dot would find.
    ASSERT_TRUE(copyBuilt("qzifx06R.dll", dir.file("R.DLL")));
    ASSERT_TRUE(copyBuilt("qzifx06R.dll", dir.file("kwinf24R.DLL")));
    for (const char* name : {".dll", "kwinf24s"}) {
        ASSERT_TRUE(copyBuilt("qzifx06R.dll", dir.file(name)));
        // A trailing dot asks for the file without an extension.
        HMODULE odd = LoadLibraryA((dir.file(name) + (name[0] == '.' ? "" : ".")).c_str());
        ASSERT_NE(nullptr, odd) << name;
        ASSERT_TRUE(sameFile(dir.file(name), moduleFileName(odd))) << moduleFileName(odd);
        for (int replace : {0, 1}) {
            EXPECT_EQ(1, loadResourceLibrary(odd, replace, &library, &uses)) << name;
            EXPECT_EQ(nullptr, library);
            EXPECT_EQ(0, uses);
        }
        FreeLibrary(odd);
    }
    EXPECT_EQ(nullptr, GetModuleHandleA(dir.file("R.DLL").c_str()));
}

TEST_F(ResourceNaming, ASecondLoadCountsAUseAndTheLastReleaseFreesTheLibrary) {
    ASSERT_TRUE(copyBuilt("qzifx06R.dll", dir.file("kwinf24R.DLL")));
    ASSERT_EQ(0, loadResourceLibrary(setup, 1, &library, &uses));
    PlatModule first = library;
    // Even a request with another module only adds a use.
    ASSERT_EQ(0, loadResourceLibrary(GetModuleHandleA(nullptr), 0, &library, &uses));
    EXPECT_EQ(first, library);
    EXPECT_EQ(2, uses);

    EXPECT_EQ(0, releaseResourceLibrary(&library, &uses));
    EXPECT_EQ(1, uses);
    EXPECT_EQ(first, library);
    EXPECT_EQ(first, GetModuleHandleA("kwinf24R.DLL"));
    EXPECT_EQ(0, releaseResourceLibrary(&library, &uses));
    EXPECT_EQ(0, uses);
    EXPECT_EQ(nullptr, library);
    EXPECT_EQ(nullptr, GetModuleHandleA("kwinf24R.DLL"));
    // Releasing what is not loaded does nothing.
    EXPECT_EQ(0, releaseResourceLibrary(&library, &uses));
    EXPECT_EQ(0, uses);
}

TEST(CharacterMode, OnlyTheOldVersionsAndAFailedQueryAreNarrow) {
    EXPECT_EQ(1, characterModeForVersion(1, 10, 0));
    EXPECT_EQ(1, characterModeForVersion(0, 4, 0));
    EXPECT_EQ(1, characterModeForVersion(0, 4, 10));
    EXPECT_EQ(1, characterModeForVersion(0, 4, 90));
    for (unsigned minor : {1u, 3u, 51u})
        EXPECT_EQ(0, characterModeForVersion(0, 4, minor)) << minor;
    EXPECT_EQ(0, characterModeForVersion(0, 3, 10));
    EXPECT_EQ(0, characterModeForVersion(0, 5, 0));
    EXPECT_EQ(0, characterModeForVersion(0, 5, 1));
    EXPECT_EQ(0, characterModeForVersion(0, 6, 1));
    EXPECT_EQ(0, characterModeForVersion(0, 10, 0));
    // Wine reports a current version: wide.
    characterMode = -1;
    EXPECT_EQ(0, isNarrowCharacterSystem());
}

namespace {
// Strings of the fixture library, loaded in the mode the test chooses.
class ResourceStrings : public testing::TestWithParam<int> {
protected:
    void SetUp() override {
        fixture = LoadLibraryA("rvstringfixture.dll");
        ASSERT_NE(nullptr, fixture);
        characterMode = GetParam();
    }
    void TearDown() override {
        characterMode = -1;
        FreeLibrary(fixture);
    }
    HMODULE fixture = nullptr;
};

std::u16string wide(const char16_t* text) {
    return std::u16string(text);
}
} // namespace

TEST_P(ResourceStrings, AStringLoadsWholeAndMissingStringsAreEmpty) {
    char16_t buffer[64];
    EXPECT_EQ(10, loadResourceStringW(fixture, 100, buffer, 64));
    EXPECT_EQ(u"plain text", wide(buffer));
    EXPECT_EQ(4, loadResourceStringW(fixture, 101, buffer, 64));
    EXPECT_EQ(u"caf\u00e9", wide(buffer));
    for (char16_t& unit : buffer)
        unit = u'x';
    EXPECT_EQ(0, loadResourceStringW(fixture, 999, buffer, 64));
    EXPECT_EQ(0, buffer[0]);
}

TEST_P(ResourceStrings, AStringIsCutToTheRoomGiven) {
    char16_t buffer[8];
    EXPECT_EQ(3, loadResourceStringW(fixture, 101, buffer, 4));
    EXPECT_EQ(u"caf", wide(buffer));
    EXPECT_EQ(0, loadResourceStringW(fixture, 101, buffer, 1));
    EXPECT_EQ(0, buffer[0]);
}

TEST_P(ResourceStrings, StringsComeFromTheModuleAskedFor) {
    // The loaded resource library has no string 101; the fixture has.
    ASSERT_NE(nullptr, resourceLibrary);
    char16_t buffer[64];
    EXPECT_EQ(0, loadResourceStringW(resourceLibrary, 101, buffer, 64));
    EXPECT_EQ(4, loadResourceStringW(fixture, 101, buffer, 64));
    // A null module is no library: the program's own table is not read.
    EXPECT_EQ(0, loadResourceStringW(nullptr, 100, buffer, 64));
    EXPECT_EQ(0, buffer[0]);
}

INSTANTIATE_TEST_SUITE_P(Modes, ResourceStrings, testing::Values(1, 0),
                         [](const testing::TestParamInfo<int>& info) {
                             return info.param ? "Narrow" : "Wide";
                         });

TEST(ResourceStringConversion, NarrowStringsPassThroughTheAnsiCodePage) {
    HMODULE fixture = LoadLibraryA("rvstringfixture.dll");
    ASSERT_NE(nullptr, fixture);
    ASSERT_EQ(1252u, GetACP());
    char16_t buffer[16];
    characterMode = 1;
    EXPECT_EQ(2, loadResourceStringW(fixture, 102, buffer, 16));
    EXPECT_EQ(u"??", wide(buffer));
    characterMode = 0;
    EXPECT_EQ(2, loadResourceStringW(fixture, 102, buffer, 16));
    EXPECT_EQ(u"\u65e5\u672c", wide(buffer));
    characterMode = -1;
    FreeLibrary(fixture);
}

TEST(ResourceStringConversion, NarrowLoadsReadTheResourceLibraryOnly) {
    char buffer[resourceStringCapacity];
    EXPECT_EQ(13, loadResourceStringA(buffer, 30190));
    EXPECT_STREQ("Out Of Memory", buffer);
    EXPECT_EQ(0, loadResourceStringA(buffer, 999));
    EXPECT_STREQ("", buffer);
    PlatModule saved = resourceLibrary;
    resourceLibrary = nullptr;
    EXPECT_EQ(0, loadResourceStringA(buffer, 30190));
    EXPECT_STREQ("", buffer);
    char16_t wideBuffer[resourceStringCapacity];
    EXPECT_EQ(0, loadResourceString(wideBuffer, 30190));
    resourceLibrary = saved;
    EXPECT_EQ(13, loadResourceString(wideBuffer, 30190));
}
