// Value parser over attribute strings and connection strings, and the
// scanner's tokens.
#include "base/scanner.h"
#include "base/value_parser.h"
#include "support/test_support.h"
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

// The text is copied into a block of exactly its size, so that ASan
// reports any read past the end of the input.
class Parsed {
public:
    explicit Parsed(const std::string& text, char separator = ';', int32_t allowDuplicates = 0,
                    const char* context = nullptr, int32_t encoding = encodingAnsi)
        : copy(text.empty() ? nullptr : new char[text.size()]) {
        if (!text.empty())
            std::memcpy(copy.get(), text.data(), text.size());
        input.set(copy.get(), static_cast<uint32_t>(text.size()), encoding);
        parser.reset(new RvValueParser(input, separator, context, allowDuplicates));
        result = parser->parse();
    }

    std::string value(const char* name) {
        const RvSubString* v = parser->lookup(name);
        return v ? std::string(v->data, v->length) : "<absent>";
    }
    std::vector<std::string> keys() const {
        std::vector<std::string> out;
        for (uint32_t i = 0; i < parser->entryCount(); ++i)
            out.emplace_back(parser->keyAt(i)->data, parser->keyAt(i)->length);
        return out;
    }

    std::unique_ptr<char[]> copy;
    RvSubString input;
    std::unique_ptr<RvValueParser> parser;
    int result;
};

using Keys = std::vector<std::string>;

// The one diagnostic the list holds must be a syntax error at position.
void expectSyntaxError(ScopedErrorList& list, uint32_t position) {
    ASSERT_EQ(1u, list->count);
    EXPECT_EQ(msgSyntaxError, list->item(0)->messageId);
    EXPECT_EQ("Syntax error in the attribute string at position " + std::to_string(position) + ".",
              messageOf(list->item(0)));
}

} // namespace

TEST(ValueParser, SplitsPairsInInputOrderAndMarksLookups) {
    ScopedErrorList list;
    Parsed p("DSN=a;UID=b;PWD=c");
    ASSERT_EQ(0, p.result);
    EXPECT_EQ((Keys{"DSN", "UID", "PWD"}), p.keys());
    EXPECT_EQ("b", p.value("uid"));
    EXPECT_EQ("<absent>", p.value("Database"));
    EXPECT_EQ(nullptr, p.parser->keyAt(3));
    EXPECT_EQ(0, p.parser->usedFlags.test(0));
    EXPECT_EQ(1, p.parser->usedFlags.test(1));
    EXPECT_EQ(0, p.parser->usedFlags.test(2));
    EXPECT_EQ(0u, list->count);
}

namespace {
// A text the parser accepts, with its keys in input order and what lookups
// give (a key's letter case does not matter to a lookup).
struct Accepted {
    std::string text;
    Keys keys;
    std::vector<std::pair<std::string, std::string>> values;
    char separator = ';';
    int32_t encoding = encodingAnsi;
};
} // namespace

TEST(ValueParser, AcceptedTextsGiveTheirKeysInOrderAndTheirValues) {
    const Accepted cases[] = {
        // Blanks around keys and values go; empty pairs are skipped; an
        // empty value is empty, not absent.
        {";;  A =  x y  ;Data Source=\tz\t;;E=;F=",
         {"A", "Data Source", "E", "F"},
         {{"A", "x y"}, {"data source", "z"}, {"E", ""}, {"F", ""}}},
        {" ", {}, {}},
        // A quoted value keeps its separators and its quotes.
        {"A=\"x;y\";B='it''s;ok' ;C=1",
         {"A", "B", "C"},
         {{"A", "\"x;y\""}, {"B", "'it''s;ok'"}, {"C", "1"}}},
        {"A='x;y'", {"A"}, {{"A", "'x;y'"}}},
        {literalBytes("A=1\0B='x'"), {"A", "B"}, {{"B", "'x'"}}, '\0'},
        // A quote inside a value does not swallow later pairs; inside single
        // quotes a double quote is an ordinary character; an attribute
        // string's entry ends at its NUL even inside quotes.
        {"PWD=it's;UID=u", {"PWD", "UID"}, {{"PWD", "it's"}, {"UID", "u"}}},
        {"PWD='a\"b';UID=u", {"PWD", "UID"}, {{"PWD", "'a\"b'"}, {"UID", "u"}}},
        {literalBytes("Description='Bob\0Server=y"),
         {"Description", "Server"},
         {{"Description", "'Bob"}, {"Server", "y"}},
         '\0'},
        // Whichever of DSN and DRIVER comes first wins.
        {"DRIVER=d;DSN=s;UID=u", {"DRIVER", "UID"}, {}},
        {"UID=u;dsn=s;driver=d", {"UID", "dsn"}, {}},
        // A bare ODBC keyword is ignored.
        {"ODBC;DSN=s", {"DSN"}, {}},
        {" odbc ", {}, {}},
        // A doubled equals sign starts the value.
        {"A==b;B=>c;C=*", {"A", "B", "C"}, {{"A", "=b"}, {"B", ">c"}, {"C", "*"}}},
        // Keywords are words or numbers.
        {"key_1=1;_k=2;12=3", {"key_1", "_k", "12"}, {}},
        // Attribute strings, with and without the last entry's NUL:
        // semicolons and further signs are ordinary characters of a value.
        {literalBytes("DSN=a\0UID=b"), {"DSN", "UID"}, {{"UID", "b"}}, '\0'},
        {literalBytes("DSN=a\0UID=b\0"), {"DSN", "UID"}, {{"UID", "b"}}, '\0'},
        {literalBytes("PWD=a;b=c\0UID=d"), {"PWD", "UID"}, {{"PWD", "a;b=c"}, {"UID", "d"}}, '\0'},
        // UTF-8 keywords are words.
        {"\xC3\x91"
         "ame = \xC3\xBC ;\xE2\x82\xAC=1",
         {"\xC3\x91"
          "ame",
          "\xE2\x82\xAC"},
         {{"\xC3\x91"
           "ame",
           "\xC3\xBC"}},
         ';',
         encodingUtf8},
    };
    for (const Accepted& c : cases) {
        SCOPED_TRACE(c.text);
        ScopedErrorList list;
        Parsed p(c.text, c.separator, 0, nullptr, c.encoding);
        EXPECT_EQ(0, p.result);
        EXPECT_EQ(c.keys, p.keys());
        for (const auto& value : c.values)
            EXPECT_EQ(value.second, p.value(value.first.c_str())) << value.first;
        EXPECT_EQ(0u, list->count);
    }
}

TEST(ValueParser, ARefusedTextNamesThePositionOfItsFault) {
    struct Case {
        const char* text;
        uint32_t position;
    };
    const Case bad[] = {
        // A keyword must be a word or a number.
        {"\"A\"=1", 0},
        {"-A=1", 0},
        {"'A=1", 0},
        {"=1", 0},
        {"A;", 1},
        {"A B C", 5},
        {"B=1;A-x=2", 5},
        // Braces do not protect the separator: the "}" after keyword "y".
        {"A={x;y};B=1", 6},
        // ODBC takes no value.
        {"ODBC=1", 4},
        // Positions after a doubled equals sign still count from the start.
        {"A==b;C", 6},
    };
    for (const Case& c : bad) {
        SCOPED_TRACE(c.text);
        ScopedErrorList list;
        Parsed p(c.text);
        EXPECT_EQ(1, p.result);
        expectSyntaxError(list, c.position);
    }
}

TEST(ValueParser, RepeatedKeywordFailsUnlessAllowedOrDriver) {
    {
        ScopedErrorList list;
        Parsed p("DSN=a;DSN=b");
        EXPECT_EQ(1, p.result);
        ASSERT_EQ(1u, list->count);
        EXPECT_EQ(msgSyntaxError, list->item(0)->messageId);
        EXPECT_EQ("Syntax error in the attribute string at position 9. The keyword is repeated "
                  "before '='.",
                  messageOf(list->item(0)));
    }
    {
        ScopedErrorList list;
        Parsed p("uid=a;UID =b");
        EXPECT_EQ(1, p.result);
        EXPECT_EQ(1, list->errorCount);
    }
    {
        ScopedErrorList list;
        Parsed p("DSN=a;DSN=b", ';', 1);
        EXPECT_EQ(0, p.result);
        EXPECT_EQ("a", p.value("DSN"));
        EXPECT_EQ(1u, p.parser->entryCount());
        EXPECT_EQ(0u, list->count);
    }
    {
        ScopedErrorList list;
        Parsed p("Driver=x;DRIVER=y");
        EXPECT_EQ(0, p.result);
        EXPECT_EQ("x", p.value("Driver"));
        EXPECT_EQ(1u, p.parser->entryCount());
        EXPECT_EQ(0u, list->count);
    }
}

TEST(ValueParser, ContextTextIsNamedInTheSyntaxError) {
    ScopedErrorList list;
    Parsed p("A=1;B", ';', 0, "odbc.ini");
    EXPECT_EQ(1, p.result);
    ASSERT_EQ(1u, list->count);
    EXPECT_EQ(msgSyntaxErrorIn, list->item(0)->messageId);
    EXPECT_EQ("Syntax error at position 5 in odbc.ini.", messageOf(list->item(0)));
}

TEST(ValueParser, LookupWithoutASuccessfulParseIsSafe) {
    ScopedErrorList list;
    RvSubString text("A=1;B", 5, encodingAnsi);
    RvValueParser unparsed(text, ';', nullptr, 0);
    EXPECT_EQ(nullptr, unparsed.lookup("A"));

    Parsed failed("A=1;B");
    EXPECT_EQ(1, failed.result);
    EXPECT_EQ("1", failed.value("A")); // what was stored stays readable
}

TEST(ValueParser, DoubleByteCharactersAreNeverSplit) {
    REQUIRE_CODE_PAGE(932);
    ScopedErrorList list;
    // 0x83 0x60 ends in the byte of the back quote, 0x83 0x40 (a keyword
    // of one katakana) in the byte of "@"; 0x81 0x81 0x40 ends in the bytes
    // of the ideographic space without being one.
    Parsed p("\x83\x60X=1;\x83\x40=2;A=\x81\x40x\x81\x40;B=\x81\x81\x40;C=\x83");
    ASSERT_EQ(0, p.result);
    EXPECT_EQ((Keys{"\x83\x60X", "\x83\x40", "A", "B", "C"}), p.keys());
    EXPECT_EQ("2", p.value("\x83\x40"));
    EXPECT_EQ("x", p.value("A"));
    EXPECT_EQ("\x81\x81\x40", p.value("B"));
    EXPECT_EQ("\x83", p.value("C")); // a lead byte cut off by the end

    // A keyword cannot begin with half a character.
    Parsed cut("A=1;\x83");
    EXPECT_EQ(1, cut.result);
    expectSyntaxError(list, 4);
}

TEST(ValueParser, ALoneLeadByteNeverSwallowsTheByteAfterIt) {
    REQUIRE_CODE_PAGE(932);
    ScopedErrorList list;
    // A lead byte followed by a byte that cannot end a double-byte
    // character (the NUL between entries, a separator, a closing quote) is
    // a character of its own.
    Parsed nul(literalBytes("Description=abc\x83\0UID=admin\0PWD=x"), '\0');
    ASSERT_EQ(0, nul.result);
    EXPECT_EQ((Keys{"Description", "UID", "PWD"}), nul.keys());
    EXPECT_EQ("abc\x83", nul.value("Description"));
    EXPECT_EQ("admin", nul.value("UID"));

    Parsed p("A=x\x83;Q='y\x83';R=`z\x83`;B=\x83\x40");
    ASSERT_EQ(0, p.result);
    EXPECT_EQ((Keys{"A", "Q", "R", "B"}), p.keys());
    EXPECT_EQ("x\x83", p.value("A"));
    EXPECT_EQ("'y\x83'", p.value("Q"));
    EXPECT_EQ("`z\x83`", p.value("R"));
    EXPECT_EQ("\x83\x40", p.value("B")); // a real pair stays whole
    EXPECT_EQ(0u, list->count);

    // The same in UTF-8: a lead byte without its continuation bytes.
    Parsed utf8(literalBytes("A=\xC3\0B=\xE2\x82\0C=1"), '\0', 0, nullptr, encodingUtf8);
    ASSERT_EQ(0, utf8.result);
    EXPECT_EQ((Keys{"A", "B", "C"}), utf8.keys());
    EXPECT_EQ("\xE2\x82", utf8.value("B"));
}

TEST(ValueParser, SurvivesEveryAllocationFailure) {
    struct Case {
        std::string text;
        char separator;
        int result; // without failures
    };
    const Case cases[] = {
        {"DSN=a;Driver={x};UID=u;PWD='p;w';Data Source=z;ODBC;A==b", ';', 0},
        {"DSN=a;DSN=b", ';', 1},
        {std::string("DSN=a\0UID=b\0PWD=c", 17), '\0', 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        for (long n = 1;; ++n) {
            SCOPED_TRACE(n);
            // Measured around the list too: it keeps the slots of its first
            // post until it is destroyed.
            long liveBefore = rvAllocLive();
            long made = 0;
            {
                ScopedErrorList list;
                rvAllocFailAt(n);
                RvSubString input(c.text.data(), static_cast<uint32_t>(c.text.size()),
                                  encodingAnsi);
                RvValueParser* parser = new RvValueParser(input, c.separator, nullptr, 0);
                int result = -1;
                if (parser) {
                    result = parser->parse();
                    if (result == 0)
                        parser->lookup("UID");
                    delete parser;
                }
                made = rvAllocCount();
                rvAllocFailAt(0);
                if (made < n) {
                    EXPECT_EQ(c.result, result); // nothing failed
                } else {
                    EXPECT_TRUE(result == 1 || (result == -1 && n == 1));
                    EXPECT_GE(list->errorCount, 1);
                }
            }
            EXPECT_EQ(liveBefore, rvAllocLive());
            if (made < n)
                break;
        }
    }
}

namespace {

std::vector<int32_t> kindsN(const char* text, size_t n, int mode = 0, uint32_t flags = 16) {
    RvSubString input(text, static_cast<uint32_t>(n), encodingAnsi);
    RvScanner scanner(input);
    scanner.flags = flags;
    RvToken token;
    std::vector<int32_t> out;
    while (scanner.nextToken(token, mode) != tokenEnd)
        out.push_back(token.kind);
    EXPECT_EQ(static_cast<int32_t>(n), token.position);
    return out;
}
std::vector<int32_t> kinds(const char* text, int mode = 0, uint32_t flags = 16) {
    return kindsN(text, strlen(text), mode, flags);
}
std::vector<std::string> texts(const char* text, int mode = 0, uint32_t flags = 16) {
    RvSubString input(text, static_cast<uint32_t>(strlen(text)), encodingAnsi);
    RvScanner scanner(input);
    scanner.flags = flags;
    RvToken token;
    std::vector<std::string> out;
    while (scanner.nextToken(token, mode) != tokenEnd)
        out.emplace_back(token.data, token.length);
    return out;
}
constexpr int32_t op(char a, char b) {
    return a * 256 + b;
}
using Kinds = std::vector<int32_t>;
using Texts = std::vector<std::string>;

} // namespace

TEST(Scanner, WordsNumbersAndQuotedText) {
    EXPECT_EQ((Kinds{2, 2, 5, 9, 9, 2}), kinds("a_1 _b 12 3.5 .5 x"));
    EXPECT_EQ((Kinds{5, '.', 5}), kinds("3.5", 0, 0)); // decimal points off
    EXPECT_EQ((Texts{"'it''s'", "\"x\"", "`y`", "'open"}), texts("'it''s' \"x\" `y` 'open"));
    EXPECT_EQ((Kinds{3, 3, 3, 4}), kinds("'it''s' \"x\" `y` 'open"));
}

TEST(Scanner, OperatorsOneAndTwoCharacters) {
    EXPECT_EQ(
        (Kinds{op('=', '='), op('=', '*'), op('=', '>'), op('=', '<'), op('<', '>'), op('<', '='),
               op('>', '='), op('!', '='), op('!', '<'), op('!', '>'), op('|', '|'), op('&', '&'),
               op('+', '+'), op('-', '-'), op('/', '/'), op('*', '*'), op('*', '=')}),
        kinds("== =* => =< <> <= >= != !< !> || && ++ -- // ** *="));
    EXPECT_EQ((Kinds{12,  '(', ')', '?', ',', '.', '=', '+', '&', '|', '-', '/', '*',
                     '>', '<', '!', ';', ':', '{', '}', '$', '#', '%', '@', 10,  10}),
              kinds("(+) ( ) ? , . = + & | - / * > < ! ; : { } $ # % @ \\ ~"));
    EXPECT_EQ((Kinds{2, 0, 2}), kindsN("a\0b", 3));
}

TEST(Scanner, GroupsAndCommentsFollowTheFlags) {
    EXPECT_EQ((Texts{"{a {b} '}'}", "x"}), texts("{a {b} '}'} x", 0, 16 | 1));
    EXPECT_EQ((Kinds{4}), kinds("{a {b}", 0, 16 | 1));
    EXPECT_EQ((Texts{"(a(b))", "("}), texts("(a(b)) (", 0, 16 | 2));
    EXPECT_EQ((Kinds{'{', 2, '}'}), kinds("{a}"));

    const char* commented = "a -- note\nb /* c */ d /* open";
    EXPECT_EQ((Texts{"a", "-- note", "b", "/* c */", "d", "/* open"}), texts(commented, 0, 16 | 4));
    EXPECT_EQ((Texts{"a", "b", "d"}), texts(commented, 0, 16 | 8));
    EXPECT_EQ(op('-', '-'), kinds(commented)[1]);
}

TEST(Scanner, DelimitedAndIdentifierModes) {
    EXPECT_EQ((Texts{"a.b-c", ",", "d", "/", "e", "(", "f", ")", "|", "g"}),
              texts("a.b-c,d/e (f)|g", 1));
    EXPECT_EQ((Kinds{6, 6, ',', 6}), kinds("x\ty,z", 1)); // white space ends a run
    EXPECT_EQ((Texts{"#tmp$1", "x#y", "$"}), texts("#tmp$1 x#y $", 2));
    EXPECT_EQ((Kinds{7, 7, '$'}), kinds("#tmp$1 x#y $", 2));
}

TEST(Scanner, ReadCharAndPeekStopAtTheEnd) {
    const char text[] = {'a', '\xC3'}; // a UTF-8 character cut off by the end
    RvSubString input(text, 2, encodingUtf8);
    RvScanner scanner(input);
    EXPECT_EQ('a', scanner.peek(1));
    EXPECT_EQ(0xC3, scanner.peek(2));
    EXPECT_EQ(0, scanner.peek(3));
    EXPECT_EQ(text, scanner.readChar());
    EXPECT_EQ(text + 1, scanner.readChar());
    EXPECT_EQ(1u, scanner.lastCharLength);
    EXPECT_EQ(nullptr, scanner.readChar());
    EXPECT_TRUE(scanner.flags & RvScanner::endReached);
    scanner.readChar();
    EXPECT_EQ(2u, scanner.position);
}
