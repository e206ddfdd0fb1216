// Text routines: character stepping in the ANSI code page and UTF-8,
// case-insensitive comparison, counted strings and conversions.
#include "base/file_path.h"
#include "base/platform.h"
#include "base/multibyte_text.h"
#include "base/error_list.h"
#include "base/narrow_string.h"
#include "base/wide_string.h"
#include "base/icu_converter.h"
#include "support/test_support.h"
#include <clocale>
#include <cstring>

namespace {
uint32_t len(const char* text) {
    return static_cast<uint32_t>(std::strlen(text));
}
} // namespace

TEST(DoubleByteText, AnsiConversionKeepsWholeCharactersAndDropsATrailingLeadByte) {
    REQUIRE_CODE_PAGE(932);
    ScopedErrorList errors;
    RvStringW s;
    ASSERT_EQ(0, s.fromNarrow("\x41\x82\xA0", 3, encodingAnsi));
    EXPECT_EQ(2u, s.length);
    EXPECT_EQ(u'A', s.buffer[0]);
    EXPECT_EQ(0x3042, s.buffer[1]); // HIRAGANA LETTER A
    ASSERT_EQ(0, s.fromNarrow("\x41\x82", 2, encodingAnsi));
    EXPECT_EQ(1u, s.length);
    EXPECT_EQ(0, s.buffer[1]);
    EXPECT_EQ(0, errors->errorCount);
    // And back: the double-byte character survives the round trip.
    ASSERT_EQ(0, s.fromNarrow("\x41\x82\xA0", 3, encodingAnsi));
    EXPECT_STREQ("\x41\x82\xA0", s.toNarrow(encodingAnsi));
}

TEST(DoubleByteText, SearchesNeverMatchATrailByte) {
    REQUIRE_CODE_PAGE(932);
    // 0x95 0x5C is one character whose trail byte is the backslash.
    const char text[] = "\x95\x5C"
                        "a\\b";
    EXPECT_EQ(text + 3, findChar(text, '\\', encodingAnsi));
    EXPECT_EQ(text + 3, findLastChar(text, '\\', encodingAnsi));
    EXPECT_EQ(nullptr, findChar("\x95\x5C", '\\', encodingAnsi));
    EXPECT_EQ(text + 3, findText(text, "\\b", encodingAnsi));
    RvSubString view(text, len(text), encodingAnsi);
    EXPECT_EQ(3u, view.findChar('\\', 0));
    EXPECT_EQ(text, prevChar(text, text + 2, encodingAnsi));
    const char tail[] = "\x95\x5C"
                        "a";
    EXPECT_EQ(tail + 2, lastChar(tail, encodingAnsi));
    EXPECT_EQ(tail, lastChar(tail + 3, encodingAnsi) - 3);
    EXPECT_EQ(2u, lastCharOffset(text, 2 + 1, encodingAnsi));
    EXPECT_EQ(0u, lastCharOffset(text, 2, encodingAnsi));
}

TEST(DoubleByteText, DoubleByteCharactersAreComparedExactlyAndIdeographicSpaceIsSpace) {
    REQUIRE_CODE_PAGE(932);
    // Full-width small a (0x82 0x81) and capital A (0x82 0x60).
    EXPECT_NE(0, compareIgnoreCase("\x82\x81", 2, "\x82\x60", 2));
    EXPECT_EQ(0, equalsIgnoreCase("\x82\x81", "\x82\x60"));
    EXPECT_EQ(1, equalsIgnoreCase("ab\x82\x81", "AB\x82\x81"));
    // A lead byte in the last position is read no further than the length.
    EXPECT_EQ(-1, compareIgnoreCase("\x82", 1, "\x82\x81", 2));
    EXPECT_EQ(0, compareIgnoreCase("\x82\x81", 1, "\x82\x60", 1));
    const char spaced[] = "\x81\x40 x";
    EXPECT_EQ(1, isSpaceAt(spaced));
    EXPECT_EQ(spaced + 3, skipSpaces(spaced, encodingAnsi));
    EXPECT_EQ(nullptr, skipSpaces(nullptr, encodingAnsi));
}

TEST(SingleByteText, CaseInsensitiveComparisonFollowsTheCodePage) {
    REQUIRE_CODE_PAGE(1252);
    EXPECT_EQ(-1, compareIgnoreCase("abc", 3, "ABD", 3));
    EXPECT_EQ(0, compareIgnoreCase("abc", 3, "ABC", 3));
    EXPECT_EQ(-1, compareIgnoreCase("ab", 2, "ABC", 3));
    EXPECT_EQ(1, compareIgnoreCase("abd", 3, "AB", 2));
    EXPECT_EQ(0, compareIgnoreCaseZ("\xE9t\xE9", "\xC9T\xC9")); // e acute either case
    EXPECT_EQ(1, compareIgnoreCaseZ("b", "A"));
    EXPECT_EQ(-1, compareIgnoreCaseZ("", "a"));
    EXPECT_EQ(1, equalsIgnoreCaseN("Driver", 6, "DRIVER", 6));
    EXPECT_EQ(0, equalsIgnoreCaseN("Driver ", 7, "DRIVER", 6));
    RvSubString a("dsn", 3, encodingAnsi), b("DSN", 3, encodingAnsi);
    EXPECT_EQ(0, a.compare(b));
    EXPECT_EQ(a.hash(), b.hash());
    EXPECT_EQ(unsigned('D' + 'S' + 'N'), a.hash());
}

TEST(Utf8Text, SteppingAndConversion) {
    ScopedErrorList errors;
    const char text[] = "\xC3\xA9;"; // e acute, then ';'
    EXPECT_EQ(2, charLength(text, encodingUtf8));
    EXPECT_EQ(3, charLength("\xE2\x82\xAC", encodingUtf8));
    EXPECT_EQ(4, charLength("\xF0\x9F\x98\x80", encodingUtf8));
    EXPECT_EQ(1, charLength("\x80", encodingUtf8));
    EXPECT_EQ(text + 2, prevChar(text, text + 3, encodingUtf8));
    EXPECT_EQ(text, prevChar(text, text + 2, encodingUtf8));
    EXPECT_EQ(text, prevChar(text, text, encodingUtf8));

    RvStringW s;
    ASSERT_EQ(0, s.fromNarrow("\xC3\xA9"
                              "a",
                              3, encodingUtf8));
    EXPECT_EQ(2u, s.length);
    EXPECT_EQ(0xE9, s.buffer[0]);
    EXPECT_STREQ("\xC3\xA9"
                 "a",
                 s.toNarrow(encodingUtf8));
    EXPECT_EQ(0, errors->errorCount);
}

TEST(Utf8Text, InvalidInputFailsWithATruncationDiagnostic) {
    ScopedErrorList errors;
    RvStringW s;
    EXPECT_EQ(1, s.fromNarrow("a\xFF"
                              "b",
                              3, encodingUtf8));
    ASSERT_EQ(1u, errors->count);
    RvError* e = errors->item(0);
    EXPECT_EQ(msgConversionFailed, e->messageId);
    char16_t state[6];
    e->effectiveSqlState(state);
    EXPECT_EQ("01004", narrow(state));
    EXPECT_EQ(stateTruncated, e->stateId);
}

TEST(WideStrings, EmptyTextsHaveABufferAndConvertToEmpty) {
    RvStringW s;
    EXPECT_STREQ("", s.toNarrow(encodingUtf8));
    ASSERT_EQ(0, s.fromNarrow("", 0, encodingUtf8));
    ASSERT_NE(nullptr, s.buffer);
    EXPECT_EQ(1u, s.capacity);
    EXPECT_EQ(0u, s.length);
    EXPECT_EQ(0, s.buffer[0]);
    ASSERT_EQ(0, s.fromNarrow("", 0, encodingAnsi));
    EXPECT_EQ(0, s.buffer[0]);
}

TEST(WideStrings, ReplaceMovesTheTailAndReplaceAllDoesNotRescan) {
    RvStringW s;
    ASSERT_EQ(0, s.assign(u"one %s1 two %s1"));
    ASSERT_EQ(0, s.replaceAll(u"%s1", u"[%s1]"));
    EXPECT_EQ("one [%s1] two [%s1]", narrow(s.buffer, s.length));
    ASSERT_EQ(0, s.replace(0, 3, u"1", 1));
    EXPECT_EQ("1 [%s1] two [%s1]", narrow(s.buffer));
    ASSERT_EQ(0, s.replaceAll(u"[%s1]", nullptr));
    EXPECT_EQ("1  two ", narrow(s.buffer));
    EXPECT_EQ(s.length, s.find(u"zz", 2, 0));
    EXPECT_EQ(s.length, s.find(u"two", 3, 6));
    EXPECT_EQ(3u, s.find(u"two", 3, 0));
}

TEST(WideStrings, CaseInsensitiveComparisonByCodePoint) {
    EXPECT_EQ(-1, compareIgnoreCaseW(u"abc", 3, u"ABD", 3));
    EXPECT_EQ(0, compareIgnoreCaseW(u"\u00E9T\u00E9", 3, u"\u00C9t\u00C9", 3));
    EXPECT_EQ(-1, compareIgnoreCaseW(u"ab", 2, u"ABC", 3));
    EXPECT_EQ(1, compareIgnoreCaseW(u"abcd", 4, u"ABC", 3));
    // A surrogate pair is one character; a lone high surrogate at the end
    // ends the comparison.
    EXPECT_EQ(0, compareIgnoreCaseW(u"\U00010428", 2, u"\U00010400", 2)); // Deseret small/capital
    EXPECT_EQ(0, compareIgnoreCaseW(u"a\xD801", 2, u"a\xD801", 2));
    EXPECT_EQ(u"x" + 1, nextCharW(u"x"));
}

TEST(NarrowStrings, AViewThatDoesNotOwnItsBufferCannotGrow) {
    ScopedErrorList errors;
    char storage[8] = "abc";
    RvString s;
    s.data = storage;
    s.length = 3;
    s.capacity = sizeof storage;
    s.ownsBuffer = 0;
    ASSERT_EQ(0, s.append("de", 2));
    EXPECT_EQ(0, std::memcmp(storage, "abcde", 5));
    EXPECT_EQ(1, s.append("0123456789"));
    EXPECT_EQ(5u, s.length);
    ASSERT_EQ(1u, errors->count);
    EXPECT_EQ(msgBufferNotOwned, errors->item(0)->messageId);

    RvString owned;
    ASSERT_EQ(0, owned.append("key"));
    ASSERT_EQ(0, owned.append("=value", 6));
    EXPECT_EQ(9u, owned.length);
    EXPECT_EQ(10u, owned.capacity); // exact growth: length plus one
    EXPECT_EQ(0, std::memcmp(owned.data, "key=value", 9));
    EXPECT_EQ(1, owned.contains('='));
    EXPECT_EQ(0, RvSubString().contains('='));
}

TEST(Formatting, DecimalDigitsFitOrAreRefused) {
    char buf[32] = "xxxx";
    EXPECT_EQ(0u, formatUnsigned(buf, 3, 1234));
    EXPECT_STREQ("xxxx", buf);
    EXPECT_EQ(4u, formatUnsigned(buf, 4, 1234));
    EXPECT_EQ(0, std::memcmp(buf, "1234", 4));
    EXPECT_EQ(2u, formatInt64(buf, -5));
    EXPECT_STREQ("-5", buf);
    EXPECT_EQ(20u, formatInt64(buf, INT64_MIN));
    EXPECT_STREQ("-9223372036854775808", buf);
    EXPECT_EQ(20u, formatUnsigned64(buf, UINT64_MAX));
    EXPECT_STREQ("18446744073709551615", buf);
    char16_t wide[32];
    EXPECT_EQ(10u, formatUnsignedW(wide, 4294967295u));
    EXPECT_EQ("4294967295", narrow(wide));
    char small[4];
    copyTruncated(small, sizeof small, "abcdef");
    EXPECT_STREQ("abc", small);
}

TEST(CodePageConverters, AlgorithmicConvertersWorkWithOrWithoutData) {
    ScopedErrorList errors;
    RvStringW s;
    ASSERT_EQ(0, s.fromCodePage("\xC3\xA9", 2, 106)); // UTF-8
    EXPECT_EQ(1u, s.length);
    EXPECT_EQ(0xE9, s.buffer[0]);
    ASSERT_EQ(0, s.fromCodePage("A\0\xAC\x20", 4, 1014)); // UTF-16LE
    EXPECT_EQ(2u, s.length);
    EXPECT_EQ(0x20AC, s.buffer[1]);
    EXPECT_EQ(0, errors->errorCount);
}

TEST(CodePageConverters, TableConvertersNeedTheDataArchive) {
    ScopedErrorList errors;
    RvStringW s;
    int result = s.fromCodePage("\x80", 1, 2252); // windows-1252: euro sign
    if (expectIcuData()) {
        ASSERT_EQ(0, result);
        EXPECT_EQ(0x20AC, s.buffer[0]);
        // IANA aliases resolve through the data's alias table too.
        ASSERT_EQ(0, s.fromCodePage("\xE9", 1, 4)); // ISO_8859-1:1987
        EXPECT_EQ(0xE9, s.buffer[0]);
        EXPECT_EQ(0, errors->errorCount);
    } else {
        EXPECT_EQ(1, result);
        ASSERT_EQ(1u, errors->count);
        EXPECT_EQ(msgNoConverter, errors->item(0)->messageId);
        std::string text = messageOf(errors->item(0));
        EXPECT_EQ("2252", text.substr(text.size() - 4)) << text;
    }
}

TEST(CodePageConverters, UnknownConverterNamesFailThroughTheStatusMapping) {
    ScopedErrorList errors;
    RvStringW s;
    // The id names a converter ICU does not have.
    EXPECT_EQ(1, s.fromCodePage("a", 1, 2000000001));
    ASSERT_EQ(1u, errors->count);
    EXPECT_EQ(msgNoConverter, errors->item(0)->messageId);
}

TEST(CharacterClasses, FollowTheAnsiCodePageWhateverTheRuntimesLocale) {
    REQUIRE_CODE_PAGE(1252);
    // The runtime's own classification stays the "C" locale's; the text
    // routines still take the no-break space of 1252 as white space and
    // its accented letters as letters.
    ASSERT_STREQ("C", setlocale(LC_CTYPE, nullptr));
    EXPECT_EQ(1, isSpaceAt(" "));
    EXPECT_EQ(0, isSpaceAt("x"));
#ifdef _WIN32
    EXPECT_EQ(1, isSpaceAt("\xA0"));
    EXPECT_STREQ("a\xE9", skipSpaces("\xA0 \ta\xE9", encodingAnsi));
    EXPECT_EQ(1, isAlphaOrMultibyte("\xE9", encodingAnsi));
#endif
}

namespace {
// Rows whose converters belong to other ICU builds (a vendor's own, or
// renamed since) or to character sets that ICU has no converter for. Each
// keeps its name, so that converting by its id is refused with the id
// rather than done by ICU's default converter.
const uint32_t convertersOutsideIcu[] = {
    2000000001, 2000000012, 2000000737, 2000000874, 2000002024, 2000005027, 2000005055,
    2000005056, 2000010001, 2000010013, 2000010014, 2000010018, 2000010022,
};

bool outsideIcu(uint32_t id) {
    for (uint32_t other : convertersOutsideIcu)
        if (other == id)
            return true;
    return false;
}

std::string nameOf(uint32_t id) {
    const char* name = codePageConverterName(id);
    return name ? name : "(default)";
}
} // namespace

TEST(CodePageTable, HoldsEachIdOnceInAscendingOrder) {
    const CodePageRow* rows = codePageRows();
    ASSERT_EQ(341u, codePageRowCount());
    for (uint32_t i = 1; i < codePageRowCount(); ++i)
        EXPECT_LT(rows[i - 1].id, rows[i].id) << i;
    // Every row is found by its id.
    for (uint32_t i = 0; i < codePageRowCount(); ++i)
        EXPECT_EQ(rows[i].converter, codePageConverterName(rows[i].id)) << rows[i].id;
    struct Named {
        uint32_t id;
        const char* converter;
    } named[] = {
        {3, "ANSI_X3.4-1968"},
        {4, "ISO_8859-1:1987"},
        {106, "UTF-8"},
        {1013, "UTF-16BE"},
        {1014, "UTF-16LE"},
        {1015, "UTF-16LE"},
        {2026, "Big5"},
        {2250, "windows-1250"},
        {2258, "windows-1258"},
        {2259, "TIS620"},
        {4971, "ibm-4971"},
        {2000000001, "UNICONV_CID_DECKANJI"},
        {2000000012, "UNICONV_CID_MACEURO"},
        {2000000036, "windows-949"},
        {2000000737, "UNICONV_CID_CP737"},
        {2000000874, "ibm-1161_P100-1999"},
        {2000002024, "windows-932-2000"},
        {2000005026, "ibm-1390"},
        {2000005027, "solaris-eucJP-2_7"},
        {2000005055, "td_ebcdic"},
        {2000005056, "td_tchebcdic937_3ib"},
        {2000010001, "armscii8"},
        {2000010032, "EUC-JP"},
    };
    for (const Named& row : named)
        EXPECT_EQ(row.converter, nameOf(row.id)) << row.id;
    EXPECT_EQ("(default)", nameOf(2000000000));
    // The other server's 32 character sets, all of them.
    for (uint32_t id = 2000010001; id <= 2000010032; ++id)
        EXPECT_NE("(default)", nameOf(id)) << id;
}

TEST(CodePageTable, EveryRowOpensTheConverterItNames) {
    if (!expectIcuData())
        GTEST_SKIP() << "table converters need ICU's data archive";
    // Four zero bytes are whole characters in every converter of the table,
    // from single-byte and EBCDIC to UTF-32.
    const char zeros[4] = {};
    for (uint32_t i = 0; i < codePageRowCount(); ++i) {
        uint32_t id = codePageRows()[i].id;
        ScopedErrorList errors;
        RvStringW s;
        int result = s.fromCodePage(zeros, sizeof zeros, id);
        if (!outsideIcu(id)) {
            EXPECT_EQ(0, result) << id << " " << nameOf(id);
            EXPECT_EQ(0u, errors->count) << id << " " << nameOf(id);
            EXPECT_GT(s.length, 0u) << id << " " << nameOf(id);
            continue;
        }
        EXPECT_EQ(1, result) << id;
        ASSERT_EQ(1u, errors->count) << id;
        EXPECT_EQ(msgNoConverter, errors->item(0)->messageId);
        std::string text = messageOf(errors->item(0));
        std::string digits = std::to_string(id);
        EXPECT_EQ(digits, text.substr(text.size() - digits.size())) << text;
    }
}

// One sample per family of rows, converted whole: a row that opened the
// wrong converter of its family (another code page, another byte order)
// would give another character.
TEST(CodePageTable, RowsOfEachFamilyConvertTheirOwnCharacters) {
    if (!expectIcuData())
        GTEST_SKIP() << "table converters need ICU's data archive";
    struct Sample {
        uint32_t id;
        const char* bytes;
        uint32_t length;
        char16_t expected;
    } samples[] = {
        {2252, "\x80", 1, 0x20AC},           // windows-1252
        {2000010006, "\xC0", 1, 0x0410},     // the other server's cp1251
        {2000010019, "\xE1", 1, 0x03B1},     // ISO-8859-7
        {2000010023, "\xC1", 1, 0x0430},     // KOI8-R
        {2000010009, "\x82", 1, 0x00E9},     // ibm-850
        {2028, "\xC1", 1, 0x0041},           // IBM037, EBCDIC
        {2259, "\xA1", 1, 0x0E01},           // TIS620
        {2000010012, "\x82\xA0", 2, 0x3042}, // the other server's cp932
        {2000010031, "\x83\x40", 2, 0x30A1}, // Shift_JIS, trail byte 0x40
        {2000010032, "\xA4\xA2", 2, 0x3042}, // EUC-JP
        {2000010015, "\xB0\xA1", 2, 0xAC00}, // EUC-KR
        {2000010016, "\xB0\xA1", 2, 0x554A}, // GB2312
        {2026, "\xA4\x40", 2, 0x4E00},       // Big5
        {1013, "\x30\x42", 2, 0x3042},       // UTF-16BE
        {1019, "\x42\x30\0\0", 4, 0x3042},   // UTF-32LE
        {2000010030, "\x8E", 1, 0x00E9},     // macintosh
    };
    for (const Sample& sample : samples) {
        ScopedErrorList errors;
        RvStringW s;
        ASSERT_EQ(0, s.fromCodePage(sample.bytes, sample.length, sample.id))
            << sample.id << " " << nameOf(sample.id);
        ASSERT_EQ(1u, s.length) << sample.id << " " << nameOf(sample.id);
        EXPECT_EQ(sample.expected, s.buffer[0]) << sample.id << " " << nameOf(sample.id);
    }
}

// Paths split where Windows splits them: at the last backslash or slash or
// after a drive, never inside a double-byte character whose trail byte is
// a backslash (0x5C, as in the Shift-JIS character 0x955C).
TEST(Paths, FileNamesAndJoinsKeepWholeCharacters) {
    struct Case {
        const char* path;
        const char* name;
    } cases[] = {
        {"C:\\dir\\qzifx06s.dll", "qzifx06s.dll"},
        {"dir/sub\\x.ini", "x.ini"},
        {"D:ODBC.INI", "ODBC.INI"},
        {"ODBC.INI", "ODBC.INI"},
        {"C:\\dir\\", ""},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(c.name, pathFileName(c.path)) << c.path;
    if (platAnsiCodePage() == 932) {
        EXPECT_STREQ("\x95\x5C.dll", pathFileName("C:\\\x95\x5C.dll"));
        EXPECT_STREQ("x\x95\x5C", pathFileName("\\x\x95\x5C"));
    }

    char out[12] = "untouched";
    EXPECT_FALSE(joinPath(out, sizeof out, "C:\\dir", 6, "abcd.e"));
    EXPECT_STREQ("untouched", out) << "a path one byte too long is refused whole";
    EXPECT_TRUE(joinPath(out, sizeof out, "C:\\dir", 6, "abcd"));
    EXPECT_STREQ("C:\\dir\\abcd", out);
    EXPECT_TRUE(joinPath(out, sizeof out, out, 2, "x"));
    EXPECT_STREQ("C:\\x", out) << "the directory may stand in out already";
}
