// Every allocation of a post with parameters and of a conversion may fail:
// each run must end cleanly, report what it could, and free what it took.
#include "base/allocation.h"
#include "base/error_list.h"
#include "base/wide_string.h"
#include "support/test_support.h"
#include <cstdint>
#include <optional>
#include <unicode/ucnv.h>

namespace {
// Runs step with the n-th allocation failing, for n = 1, 2, ... until a run
// makes fewer allocations than n. Each run has its own error list,
// installed as a request installs it, made before failures start.
// Returns the number of runs.
template <typename Act, typename Check> int sweep(int keepAll, Act act, Check check) {
    int runs = 0;
    for (long n = 1;; ++n) {
        long live = rvAllocLive();
        long made = 0;
        {
            ScopedErrorList errors(keepAll);
            rvAllocFailAt(n);
            act(errors);
            made = rvAllocCount();
            rvAllocFailAt(0);
            check(n, errors);
        }
        EXPECT_EQ(live, rvAllocLive()) << "failing allocation " << n;
        ++runs;
        if (made < n)
            return runs;
    }
}
} // namespace

TEST(AllocationFailure, APostWithParametersEndsCleanlyWhicheverAllocationFails) {
    for (int keepAll = 0; keepAll <= 1; ++keepAll) {
        auto act = [](ScopedErrorList& errors) {
            RvError* e = postError(msgSyntaxErrorIn)->addParam(12u)->addParam("DSN=sales");
            ASSERT_NE(nullptr, e);
            appendToLastError(msgRepeatedKeyword);
            errors->lastDiagnostic()->addParam("=");
        };
        int runs = sweep(keepAll, act, [&](long n, ScopedErrorList& errors) {
            RvError* last = errors->lastDiagnostic();
            ASSERT_NE(nullptr, last) << n;
            // Single-error mode holds one error; keep-all may hold the
            // message and the out-of-memory record.
            EXPECT_GE(errors->errorCount, 1) << n;
            EXPECT_LE(errors->errorCount, keepAll ? 2 : 1) << n;
            std::string text = messageOf(last);
            if (last == outOfMemoryRecord()) {
                EXPECT_EQ("Out Of Memory", text);
            } else {
                // Whatever was recorded is the whole message or marked failed.
                bool complete = text.find("12") != std::string::npos &&
                                text.find("DSN=sales") != std::string::npos;
                EXPECT_TRUE(complete || (last->message.paramFlags & RvParamStringW::paramFailed))
                    << n << ": " << text;
            }
        });
        EXPECT_GT(runs, 4);
    }
}

TEST(AllocationFailure, ConversionsFailCleanly) {
    struct Texts {
        RvStringW s, t;
        int results[3] = {};
        const char* narrowed = nullptr;
    };
    std::optional<Texts> texts;
    auto act = [&](ScopedErrorList&) {
        Texts& x = texts.emplace();
        x.results[0] = x.s.fromCodePage("abc", 3, 106);
        x.results[1] = x.t.fromNarrow("x\xC3\xA9", 3, encodingUtf8);
        x.narrowed = x.t.toNarrow(encodingUtf8);
        x.results[2] = x.t.replaceAll(u"x", u"yy");
    };
    sweep(1, act, [&](long n, ScopedErrorList& errors) {
        Texts& x = *texts;
        int failures = x.results[0] + x.results[1] + x.results[2];
        // Exactly one allocation failed: at most one step fails, and it
        // says so as out of memory.
        EXPECT_LE(failures, 1) << n;
        if (failures || std::string(x.narrowed) == "Out Of Memory") {
            EXPECT_EQ(outOfMemoryRecord(), errors->lastDiagnostic()) << n;
        }
        if (x.results[0] == 0) {
            EXPECT_EQ(3u, x.s.length);
        }
        if (x.results[1] == 0 && x.results[2] == 0) {
            EXPECT_EQ("yy?", narrow(x.t.buffer, x.t.length)) << n;
        }
        texts.reset();
    });
}

namespace {
bool outOfMemoryNoted(const ScopedErrorList& errors) {
    return (errors->listFlags & RvErrorList::outOfMemoryPending) != 0;
}
} // namespace

// Lengths whose converted text could not be counted by the platform's and
// ICU's calls (their counts are 32-bit signed), or whose block size would
// wrap, are refused as out of memory before anything is allocated or read.
// The bytes given are few: a conversion that went ahead would read past
// them.
TEST(ConversionLimits, UncountableLengthsAreRefusedUnread) {
    const char bytes[8] = "abcdefg";
    struct Case {
        int enc;
        uint32_t n;
    } cases[] = {
        {encodingAnsi, 0x40000000},  {encodingAnsi, 0x80000000}, {encodingAnsi, 0xFFFFFFFF},
        {encodingUtf8, 0x7FFFFFFF},  {encodingUtf8, 0xFFFFFFFF}, {encodingUtf16, 0x7FFFFFFF},
        {encodingUtf16, 0xFFFFFFFF},
    };
    for (const Case& c : cases) {
        ScopedErrorList errors;
        RvStringW s;
        ASSERT_EQ(0, s.assign(u"kept"));
        rvAllocFailAt(0);
        EXPECT_EQ(1, s.fromNarrow(bytes, c.n, c.enc)) << c.enc << " " << c.n;
        EXPECT_EQ(0, rvAllocCount()) << c.enc << " " << c.n;
        EXPECT_TRUE(outOfMemoryNoted(errors)) << c.enc << " " << c.n;
        EXPECT_EQ("kept", narrow(s.buffer, s.length));
    }
}

TEST(ConversionLimits, AWideStringNeverGrowsPastWhatItsCountsHold) {
    // Sums of a length and a count that would wrap 32 bits are refused
    // before anything is allocated or copied.
    static const char16_t unit = u'x';
    int (*const grows[])(RvStringW&) = {
        [](RvStringW& s) { return s.appendUnits(&unit, UINT32_MAX - 3); },
        [](RvStringW& s) { return s.appendBytes("x", UINT32_MAX); },
        [](RvStringW& s) { return s.assignUnits(&unit, UINT32_MAX); },
        [](RvStringW& s) { return s.replace(1, 1, &unit, UINT32_MAX - 1); },
        [](RvStringW& s) { return s.reserve(0x80000000u); },
    };
    for (size_t i = 0; i < sizeof grows / sizeof grows[0]; ++i) {
        ScopedErrorList errors;
        RvStringW s;
        ASSERT_EQ(0, s.assign(u"kept"));
        rvAllocFailAt(0);
        EXPECT_EQ(1, grows[i](s)) << i;
        EXPECT_EQ(0, rvAllocCount()) << i;
        EXPECT_TRUE(outOfMemoryNoted(errors)) << i;
        EXPECT_EQ("kept", narrow(s.buffer, s.length)) << i;
    }
}

TEST(ConversionLimits, AConverterIsNotGivenAnUncountableLength) {
    ScopedErrorList errors;
    RvStringW s;
    UErrorCode status = U_ZERO_ERROR;
    UConverter* utf8 = ucnv_open("UTF-8", &status);
    ASSERT_TRUE(utf8 && U_SUCCESS(status));
    rvAllocFailAt(0);
    EXPECT_EQ(1, s.fromConverter("abc", 0x7FFFFFFF, utf8));
    EXPECT_EQ(0, rvAllocCount());
    EXPECT_TRUE(outOfMemoryNoted(errors));
    ucnv_close(utf8);
}

TEST(ConversionLimits, NarrowTextThatCouldNotBeCountedIsOutOfMemory) {
    ScopedErrorList errors;
    // A view claiming more units than a narrow rendering could count.
    char16_t units[4] = u"abc";
    RvStringW s;
    s.ownsBuffer = 0;
    s.buffer = units;
    for (int enc : {encodingUtf8, encodingAnsi}) {
        s.length = 0x30000000;
        rvAllocFailAt(0);
        EXPECT_STREQ("Out Of Memory", s.toNarrow(enc)) << enc;
        EXPECT_EQ(0, rvAllocCount()) << enc;
    }
    EXPECT_TRUE(outOfMemoryNoted(errors));
    s.length = 3;
    EXPECT_STREQ("abc", s.toNarrow(encodingUtf8));
    s.buffer = nullptr;
    s.length = 0;
}

TEST(ConversionLimits, AnOwnedCopyWithoutRoomForItsTerminatorIsRefused) {
    ScopedErrorList errors;
    rvAllocFailAt(0);
    EXPECT_EQ(nullptr, rvAllocText("abc", SIZE_MAX));
    EXPECT_EQ(0, rvAllocCount());
    EXPECT_TRUE(outOfMemoryNoted(errors));
}
