// The translator step: the installer's dialog (scripted) opened on the
// choice stored in Wine's ODBC.INI, and the three rows a choice adds,
// written after the table's own keys.
#ifdef _WIN32
#include "base/allocation.h"
#include "support/fake_installer.h"
#include "sheetless_requests.h"
#include "setup/setup_context.h"
#include "setup/translator.h"
#include "support/windows_fixture.h"
#include "support/registry_keys.h"
#include "support/test_support.h"
#include <string>

namespace {
const char driver[] = "IBM INFORMIX ODBC DRIVER";
const std::string storedSection = keyOfDataSource("RvTranslatorTest");
using Pairs = std::vector<std::pair<std::string, std::string>>;

// A configure request as the sheet holds it.
class Translator : public testing::Test {
protected:
    void SetUp() override {
        // The profile store reads the stored choice through the real
        // installer; the scripted one answers the dialog and the writes.
        ASSERT_TRUE(seedText(HKEY_CURRENT_USER, storedSection, "TranslationName", "Old"));
        ASSERT_TRUE(seedText(HKEY_CURRENT_USER, storedSection, "TranslationDll", "C:\\old.dll"));
        window = 0;
        initSetupContext(&context, &window, requestConfigDsn, driver, attributes.data(),
                         attributeTable, attributeTableCount);
        uint16_t wantsSheet = 0;
        ASSERT_EQ(1, loadSetupContext(&context, &wantsSheet));
        ASSERT_EQ(1, wantsSheet);
        installer.calls.clear();
    }
    void TearDown() override {
        destroySetupContext(&context);
        removeKey(HKEY_CURRENT_USER, storedSection);
    }
    void choose(const char* name, const char* path, uint32_t option) {
        installer.translator = {true, name, path, option};
    }
    // The rows after the table's own, as keyword=value.
    std::vector<std::string> addedRows() {
        std::vector<std::string> rows;
        for (uint16_t i = attributeTableCount; i < context.attributeCount; ++i)
            rows.push_back(std::string(context.table[i].keyword) + "=" +
                           (context.values[i] ? context.values[i] : "(none)"));
        return rows;
    }
    Pairs writtenTranslation() {
        Pairs all = installer.written("RvTranslatorTest"), tail;
        for (auto& pair : all)
            if (pair.first.rfind("Translation", 0) == 0)
                tail.push_back(pair);
        return tail;
    }

    FakeInstaller installer;
    std::string attributes = attrs({"DSN=RvTranslatorTest"});
    int window;
    SetupContext context;
};
} // namespace

TEST_F(Translator, AChoiceIsAddedAsThreeRowsAndWrittenAfterTheTable) {
    choose("New", "C:\\new.dll", 7);
    ASSERT_EQ(0, chooseTranslator(&window, &context));
    // The dialog opens on the stored choice, with the buffers' room.
    EXPECT_EQ((std::vector<std::string>{"SQLGetTranslator Old 3 C:\\old.dll 10 63 260"}),
              installer.calls);
    EXPECT_EQ((std::vector<std::string>{"TranslationName=New", "TranslationDll=C:\\new.dll",
                                        "TranslationOption=7"}),
              addedRows());
    ASSERT_EQ(saveDone, saveDataSource(&context));
    Pairs written = installer.written("RvTranslatorTest");
    ASSERT_EQ(attributeTableCount + 3u, written.size());
    EXPECT_EQ((Pairs{{"TranslationName", "New"},
                     {"TranslationDll", "C:\\new.dll"},
                     {"TranslationOption", "7"}}),
              Pairs(written.end() - 3, written.end()));
    // The table's own rows are untouched by the copy.
    EXPECT_STREQ("Description", context.table[0].keyword);
}

TEST_F(Translator, NoTranslatorIsStoredEmptyAndACancelChangesNothing) {
    installer.translator.chosen = false;
    ASSERT_EQ(0, chooseTranslator(&window, &context));
    EXPECT_EQ(attributeTableCount, context.attributeCount);

    choose("Ignored", "", 9);
    ASSERT_EQ(0, chooseTranslator(&window, &context));
    EXPECT_EQ(
        (std::vector<std::string>{"TranslationName=", "TranslationDll=", "TranslationOption=0"}),
        addedRows());
    // A second choice adds three more rows; the last one written stays.
    choose("Two", "C:\\two.dll", 2);
    ASSERT_EQ(0, chooseTranslator(&window, &context));
    EXPECT_EQ(attributeTableCount + 6, context.attributeCount);
    ASSERT_EQ(saveDone, saveDataSource(&context));
    EXPECT_EQ("Two", installer.ini["RvTranslatorTest"]["TranslationName"]);
    EXPECT_EQ("2", installer.ini["RvTranslatorTest"]["TranslationOption"]);
}

TEST_F(Translator, RunningOutOfMemoryKeepsTheRowsAlreadyAdded) {
    choose("New", "C:\\new.dll", 7);
    for (long n = 1;; ++n) {
        uint16_t before = context.attributeCount;
        rvAllocFailAt(n);
        int result = chooseTranslator(&window, &context);
        long made = rvAllocCount();
        rvAllocFailAt(0);
        if (made < n) {
            EXPECT_EQ(0, result);
            EXPECT_EQ(before + 3, context.attributeCount);
            break;
        }
        EXPECT_EQ(1, result) << n;
        EXPECT_LE(context.attributeCount, before + 2) << n;
        for (uint16_t i = 0; i < context.attributeCount; ++i)
            ASSERT_NE(nullptr, context.table[i].keyword) << n;
    }
    // Whatever was added is freed with the context (ASan and the live
    // count of the allocation test hooks see any leak).
}
#endif
