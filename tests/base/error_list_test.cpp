// The error list: posting modes, out of memory, placeholders, parameter
// conversion and the ODBC rank order.
#include "base/error_list.h"
#include "base/resource_library.h"
#include "support/test_support.h"
#include "base/allocation.h"
#include <atomic>
#include <cstring>
#include <thread>

namespace {
// Posts a record with the given text into the current list.
RvError* postText(const char16_t* text, int severity = 0) {
    RvErrorList* list = currentErrorList();
    return list->post(list->newError(1, text, severity, 0, 0));
}

std::string sqlStateOf(RvError* e) {
    char16_t state[6];
    e->effectiveSqlState(state);
    return narrow(state);
}

std::string resourceText(unsigned id) {
    char16_t text[resourceStringCapacity];
    loadResourceString(text, id);
    return narrow(text);
}
} // namespace

TEST(ErrorList, SingleErrorModeKeepsWarningsAndTheFirstErrorOnly) {
    ScopedErrorList errors(0);
    RvError* w = postText(u"warning", 1);
    RvError* e1 = postText(u"first");
    RvError* e2 = postText(u"second");
    EXPECT_EQ(2u, errors->count);
    EXPECT_EQ(1, errors->errorCount);
    EXPECT_EQ(1, errors->warningCount);
    EXPECT_EQ(w, errors->item(0));
    EXPECT_EQ(e1, errors->item(1));
    EXPECT_EQ(inertRecord(), e2);
    EXPECT_EQ(errors.get(), e1->owner);
    // Chained calls on the dropped record go nowhere.
    EXPECT_EQ(inertRecord(), e2->addParam("x")->addParam(7u));
}

TEST(ErrorList, KeepAllModeKeepsEveryDiagnosticInPostingOrder) {
    ScopedErrorList errors(1);
    postText(u"a");
    postText(u"b", 1);
    postText(u"c");
    ASSERT_EQ(3u, errors->count);
    EXPECT_EQ(2, errors->errorCount);
    EXPECT_EQ("c", messageOf(errors->lastDiagnostic()));
}

TEST(ErrorList, OutOfMemoryReplacesTheHeldErrorInSingleErrorMode) {
    ScopedErrorList errors(0);
    RvError* held = postText(u"held");
    noteOutOfMemory();
    EXPECT_EQ(0u, errors->count);
    EXPECT_EQ(nullptr, held->owner);
    EXPECT_EQ(1, errors->errorCount);
    RvError* last = errors->lastDiagnostic();
    EXPECT_EQ(outOfMemoryRecord(), last);
    EXPECT_STREQ("Out Of Memory", last->messageText());
    EXPECT_EQ("HY001", sqlStateOf(last));
    noteOutOfMemory();
    EXPECT_EQ(1, errors->errorCount);
    EXPECT_EQ(outOfMemoryRecord(), errors->lastDiagnostic());
    // The replaced record goes with the list's other diagnostics.
    long live = rvAllocLive();
    errors->clear();
    EXPECT_LT(rvAllocLive(), live);
}

TEST(ErrorList, RemoveLastReportsPendingOutOfMemoryBeforeHeldItems) {
    ScopedErrorList errors(1);
    RvError* a = postText(u"a");
    RvError* b = postText(u"b", 1);
    noteOutOfMemory();
    EXPECT_EQ(3, errors->errorCount + errors->warningCount);
    EXPECT_EQ(outOfMemoryRecord(), errors->removeLast());
    RvError* first = errors->removeLast();
    RvError* second = errors->removeLast();
    EXPECT_EQ(b, first);
    EXPECT_EQ(a, second);
    EXPECT_EQ(nullptr, first->owner);
    EXPECT_EQ(nullptr, errors->removeLast());
    EXPECT_EQ(0, errors->errorCount);
    EXPECT_EQ(0, errors->warningCount);
    delete first;
    delete second;
}

TEST(ErrorList, ListsNestPerThreadAsAStack) {
    ScopedErrorList outer;
    {
        ScopedErrorList inner;
        EXPECT_EQ(inner.get(), currentErrorList());
        EXPECT_EQ(outer.get(), inner->previous);
        postError(msgDialogFailed);
        EXPECT_EQ(0u, outer->count);
    }
    EXPECT_EQ(outer.get(), currentErrorList());
}

TEST(Placeholders, TextAndNumberParametersShareOneCounter) {
    ScopedErrorList errors;
    RvError* e = postText(u"%s1 and %s1, %d2.");
    e->addParam("db")->addParam(42u);
    EXPECT_EQ("db and db, 42.", messageOf(e));
}

TEST(Placeholders, TheTenthParameterFillsTheXForm) {
    ScopedErrorList errors;
    RvError* e = postText(u"%s10|%sx10|%s9");
    for (int i = 1; i <= 10; ++i) {
        char text[4] = {static_cast<char>('a' + i - 1), 0};
        e = e->addParam(text);
    }
    EXPECT_EQ("a0|j|i", messageOf(e));
}

TEST(Placeholders, AnInsertedValueIsNotRescannedButALaterParameterFillsIt) {
    ScopedErrorList errors;
    RvError* e = postText(u"<%s1>");
    e->addParam("%s2");
    EXPECT_EQ("<%s2>", messageOf(e));
    e->addParam("two");
    EXPECT_EQ("<two>", messageOf(e));
}

TEST(Placeholders, MessagesPostedByNumberComeFromTheResourceLibrary) {
    ScopedErrorList errors;
    RvError* e = postError(msgSyntaxErrorIn)->addParam(17u)->addParam("DSN=a");
    EXPECT_EQ(msgSyntaxErrorIn, e->messageId);
    std::string expected = resourceText(msgSyntaxErrorIn);
    ASSERT_FALSE(expected.empty());
    expected.replace(expected.find("%d1"), 3, "17");
    expected.replace(expected.find("%s2"), 3, "DSN=a");
    EXPECT_EQ(expected, messageOf(e));
    EXPECT_EQ("HY000", sqlStateOf(e));
}

TEST(Placeholders, AppendedTextNumbersItsPlaceholdersFromOne) {
    ScopedErrorList errors;
    postError(msgSyntaxError)->addParam(3u);
    appendToLastError(msgRepeatedKeyword);
    errors->lastDiagnostic()->addParam("=");
    std::string expected = resourceText(msgSyntaxError) + resourceText(msgRepeatedKeyword);
    expected.replace(expected.find("%d1"), 3, "3");
    expected.replace(expected.find("%s1"), 3, "=");
    EXPECT_EQ(expected, messageOf(errors->lastDiagnostic()));
}

TEST(ParameterConversion, TextThatIsNotUtf8IsRetriedInTheAnsiCodePage) {
    REQUIRE_CODE_PAGE(1252);
    ScopedErrorList errors(1);
    RvError* e = postText(u"name %s1");
    e->addParam("\xE9t\xE9"); // "ete" with acute accents in windows-1252
    EXPECT_EQ("name \xC3\xA9t\xC3\xA9", messageOf(e));
    EXPECT_EQ(1u, errors->count);
    EXPECT_EQ(1, errors->errorCount);
}

TEST(ParameterConversion, InSingleErrorModeTheFailedAttemptIsDroppedAndTheValueUnknown) {
    ScopedErrorList errors(0);
    RvError* e = postText(u"name %s1");
    e->addParam("\xE9t\xE9");
    EXPECT_EQ("name <unknown>", messageOf(e));
    EXPECT_EQ(1u, errors->count);
}

TEST(ParameterConversion, SubstringParametersUseTheirOwnLengthAndEncoding) {
    ScopedErrorList errors;
    RvError* e = postText(u"[%s1]");
    RvSubString view("abcdef", 3, encodingUtf8);
    e->addParam(view);
    EXPECT_EQ("[abc]", messageOf(e));
}

TEST(RankOrder, RowsThenLinkFailuresThenErrorsBeforeWarnings) {
    ScopedErrorList errors;
    auto withState = [](const char* state, int row = -1) {
        RvError* e = postText(u"x");
        e->setSqlState(state);
        e->rowNumber = row;
        return e;
    };
    RvError* noRow = withState("01000");
    RvError* row3 = withState("08S01", 3);
    EXPECT_EQ(-1, noRow->compare(*row3));
    EXPECT_EQ(1, row3->compare(*noRow));
    RvError* link = withState("08S01");
    RvError* rowCount = withState("01S01");
    RvError* syntax = withState("42000");
    RvError* warning = withState("01000");
    RvError* truncated = withState("01004");
    RvError* manager = withState("IM002");
    EXPECT_EQ(-1, link->compare(*rowCount));
    EXPECT_EQ(1, rowCount->compare(*link));
    EXPECT_EQ(-1, rowCount->compare(*syntax));
    EXPECT_EQ(-1, syntax->compare(*warning));
    EXPECT_EQ(1, warning->compare(*syntax));
    EXPECT_EQ(-1, manager->compare(*warning));
    EXPECT_EQ(0, warning->compare(*truncated));
}

TEST(ConverterStatus, WarningsGoOnAndFailuresStop) {
    ScopedErrorList errors;
    EXPECT_EQ(0, mapConverterStatus(0));
    EXPECT_EQ(0u, errors->count);
    EXPECT_EQ(0, mapConverterStatus(12));
    EXPECT_EQ(0, mapConverterStatus(15));
    EXPECT_EQ(1, mapConverterStatus(-124));
    EXPECT_EQ(1, mapConverterStatus(4));
    EXPECT_EQ(1, mapConverterStatus(13));
    ASSERT_EQ(5u, errors->count);
    EXPECT_EQ(msgConverterIllegalChar, errors->item(0)->messageId);
    EXPECT_EQ("01000", sqlStateOf(errors->item(0)));
    EXPECT_EQ(msgConverterOverflow, errors->item(1)->messageId);
    EXPECT_EQ("01004", sqlStateOf(errors->item(1)));
    EXPECT_EQ(msgConversionFailed, errors->item(2)->messageId);
    EXPECT_EQ(msgNoConverter, errors->item(3)->messageId);
    EXPECT_EQ(msgConverterTable, errors->item(4)->messageId);
    for (uint32_t i = 2; i < 5; ++i)
        EXPECT_EQ("HY000", sqlStateOf(errors->item(i)));
    EXPECT_EQ(2, errors->warningCount);
    EXPECT_EQ(3, errors->errorCount);
}

TEST(ConverterStatus, AStateWrittenAfterADroppedPostChangesNothing) {
    ScopedErrorList errors(0);
    RvError* held = postText(u"held");
    EXPECT_EQ(1, mapConverterStatus(-124));
    EXPECT_EQ(1u, errors->count);
    EXPECT_EQ("HY000", sqlStateOf(inertRecord()));
    EXPECT_EQ(held, errors->lastDiagnostic());
}

TEST(ResourceStrings, StateTextsAreFiveCharacters) {
    for (unsigned id : {stateGeneralWarning, stateTruncated, stateGeneralError})
        EXPECT_EQ(5u, resourceText(id).size()) << id;
    for (unsigned id : {1524u, 2704u, 2705u, 2706u, 2708u, 2716u, 2735u, 2736u, 2737u, 2738u, 2739u,
                        9999u, 30190u})
        EXPECT_FALSE(resourceText(id).empty()) << id;
    EXPECT_EQ("", resourceText(4242));
}

// The inert record is shared by every thread of the process: reading its
// text must touch nothing, so that two threads may read it at once.
TEST(StaticRecords, TheInertRecordsTextIsReadWithoutAllocating) {
    RvError* inert = inertRecord();
    rvAllocFailAt(0);
    EXPECT_STREQ("", inert->messageText());
    EXPECT_EQ(0, rvAllocCount());

    std::atomic<int> ready{0};
    std::atomic<int> wrong{0};
    auto reader = [&] {
        ++ready;
        while (ready.load() < 2) {
        }
        for (int i = 0; i < 20000; ++i)
            if (inert->messageText()[0] != 0)
                ++wrong;
    };
    std::thread first(reader), second(reader);
    first.join();
    second.join();
    EXPECT_EQ(0, wrong.load());
}
