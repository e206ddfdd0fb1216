// Hexadecimal text, the scrambling modes, the stored form of secret-text
// values and the file date helper.
#include "base/bosfindf.h"
#include "base/crypt.h"
#include "base/hexify.h"
#include "support/testfiles.h"
#include "support/testsupport.h"
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

namespace {

typedef std::vector<unsigned char> Bytes;

Bytes bytesOf(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

Bytes allByteValues() {
    Bytes all(256);
    for (int i = 0; i < 256; ++i)
        all[i] = static_cast<unsigned char>(i);
    return all;
}

std::string encodeHex(const Bytes& in) {
    std::string out(2 * in.size(), '?');
    EXPECT_EQ(2 * in.size(), hexEncode(&out[0], in.data(), static_cast<uint32_t>(in.size())));
    return out;
}

Bytes scrambled(Bytes data, uint16_t mode, const char* key = nullptr) {
    scrambleValue(data.data(), static_cast<int32_t>(data.size()), mode, key);
    return data;
}

Bytes unscrambled(Bytes data, uint16_t mode, const char* key = nullptr) {
    unscrambleValue(data.data(), static_cast<int32_t>(data.size()), mode, key);
    return data;
}

// The one diagnostic a failed decode leaves behind.
void expectOnlyBadHexDigit(const ScopedErrorList& errors) {
    ASSERT_EQ(1u, errors->count);
    EXPECT_EQ(msgBadHexDigit, errors->item(0)->messageId);
    EXPECT_EQ(1, errors->errorCount);
}

// Stored form of value through a buffer of exactly the advertised size.
std::string storedFormOf(const std::string& value) {
    std::vector<char> out(secretStoredSize(value.size()) + 8, '#');
    size_t n = 0;
    EXPECT_EQ(0, encodeSecretValue(out.data(), out.size(), value.data(), value.size(), &n));
    EXPECT_EQ(0, out[n]);
    return std::string(out.data(), n);
}

// Value behind a stored form; "<failed>" when decoding fails.
std::string valueOf(const std::string& stored) {
    std::vector<char> out(stored.size() + 1, '#');
    size_t n = 0;
    if (decodeSecretValue(out.data(), out.size(), stored.data(), stored.size(), &n))
        return "<failed>";
    EXPECT_EQ(0, out[n]);
    return std::string(out.data(), n);
}

} // namespace

TEST(HexText, EncodesEachByteAsTwoUpperCaseDigitsHighNibbleFirst) {
    EXPECT_EQ("616263", encodeHex(bytesOf("abc")));
    EXPECT_EQ("00FF9A0F", encodeHex({0x00, 0xFF, 0x9A, 0x0F}));
    EXPECT_EQ("", encodeHex({}));
}

TEST(HexText, EncodesInPlaceInABufferOfTwiceTheLength) {
    char buf[7] = {'a', 'b', 'c', 'x', 'x', 'x', '#'};
    EXPECT_EQ(6u, hexEncode(buf, buf, 3));
    EXPECT_EQ("616263#", std::string(buf, 7));

    Bytes all = allByteValues();
    std::string separate = encodeHex(all);
    Bytes inPlace(512);
    std::memcpy(inPlace.data(), all.data(), all.size());
    hexEncode(reinterpret_cast<char*>(inPlace.data()), inPlace.data(), 256);
    EXPECT_EQ(separate, std::string(inPlace.begin(), inPlace.end()));
}

TEST(HexText, DecodesDigitsOfEitherCase) {
    ScopedErrorList errors;
    unsigned char out[4] = {0, 0, 0, 0xEE};
    ASSERT_EQ(0, hexDecode(out, "616263", 6));
    EXPECT_EQ(0, std::memcmp(out, "abc\xEE", 4));
    ASSERT_EQ(0, hexDecode(out, "6a6B", 4));
    EXPECT_EQ(0x6A, out[0]);
    EXPECT_EQ(0x6B, out[1]);
    EXPECT_EQ(0u, errors->count);
}

TEST(HexText, RoundTripsEveryByteValueAlsoWhenDecodingInPlace) {
    ScopedErrorList errors;
    Bytes all = allByteValues();
    std::string text = encodeHex(all);
    Bytes out(256);
    ASSERT_EQ(0, hexDecode(out.data(), text.data(), 512));
    EXPECT_EQ(all, out);

    std::string lower = text;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    ASSERT_EQ(0, hexDecode(&lower[0], lower.data(), 512));
    EXPECT_EQ(0, std::memcmp(lower.data(), all.data(), 256));
}

TEST(HexText, OddDigitCountMakesTheLastDigitAHighNibble) {
    ScopedErrorList errors;
    unsigned char out[3] = {0xEE, 0xEE, 0xEE};
    ASSERT_EQ(0, hexDecode(out, "616", 3));
    EXPECT_EQ(0x61, out[0]);
    EXPECT_EQ(0x60, out[1]);
    EXPECT_EQ(0xEE, out[2]);
    ASSERT_EQ(0, hexDecode(out, "F", 1));
    EXPECT_EQ(0xF0, out[0]);
    // No digits: nothing read, nothing written.
    ASSERT_EQ(0, hexDecode(out, nullptr, 0));
    EXPECT_EQ(0xF0, out[0]);
    EXPECT_EQ(0u, errors->count);
}

TEST(HexText, NonDigitFailsWithBadHexDigitAndKeepsCompletedBytes) {
    // Characters on both sides of each digit range, in each position.
    const char* bad[] = {"6G", "G6", "6/", "6:", "@1", "1`", "g1", "1g", " 1", "12 3", "61G"};
    for (const char* text : bad) {
        SCOPED_TRACE(text);
        ScopedErrorList errors;
        unsigned char out[2] = {0xEE, 0xEE};
        EXPECT_EQ(1, hexDecode(out, text, static_cast<uint32_t>(std::strlen(text))));
        expectOnlyBadHexDigit(errors);
    }
    ScopedErrorList errors;
    unsigned char out[3] = {0xEE, 0xEE, 0xEE};
    EXPECT_EQ(1, hexDecode(out,
                           "41\xFF"
                           "142",
                           6));
    EXPECT_EQ(0x41, out[0]);
    EXPECT_EQ(0xEE, out[2]);
    // A NUL inside the counted text is a bad digit too, not an end.
    EXPECT_EQ(1, hexDecode(out,
                           "41\0"
                           "0",
                           4));
}

TEST(Scrambling, InvertModeComplementsEveryByteAndUndoesItself) {
    Bytes all = allByteValues();
    Bytes once = scrambled(all, scrambleInvert);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(255 - i, once[i]);
    EXPECT_EQ(all, scrambled(once, scrambleInvert));
    EXPECT_EQ(once, unscrambled(all, scrambleInvert));
}

TEST(Scrambling, LineSafeModeKeepsLineEndsAndTheirComplementsAndNeverMakesOne) {
    Bytes all = allByteValues();
    Bytes once = scrambled(all, scrambleInvertNoLines);
    for (int i = 0; i < 256; ++i) {
        bool kept = i == 13 || i == 10 || i == 242 || i == 245;
        EXPECT_EQ(kept ? i : 255 - i, once[i]) << i;
        if (!kept) {
            EXPECT_TRUE(once[i] != 13 && once[i] != 10) << i;
        }
    }
    EXPECT_EQ(all, scrambled(once, scrambleInvertNoLines));
    EXPECT_EQ(all, unscrambled(once, scrambleInvertNoLines));
}

TEST(Scrambling, UnknownModeLeavesTheDataAndFails) {
    Bytes data = bytesOf("secret");
    for (uint16_t mode : {0, 4, 0xFFFF}) {
        Bytes copy = data;
        EXPECT_NE(0, scrambleValue(copy.data(), 6, mode, nullptr));
        EXPECT_NE(0, unscrambleValue(copy.data(), 6, mode, nullptr));
        EXPECT_EQ(data, copy);
    }
}

TEST(Cipher, RoundTripsEveryLengthFromOneToNine) {
    for (size_t n = 1; n <= 9; ++n) {
        SCOPED_TRACE(n);
        Bytes data(n);
        for (size_t i = 0; i < n; ++i)
            data[i] = static_cast<unsigned char>('a' + 7 * i);
        Bytes once = scrambled(data, scrambleCipher);
        EXPECT_NE(data, once);
        EXPECT_EQ(data, unscrambled(once, scrambleCipher));
        // Nor may a key text change that.
        Bytes keyed = scrambled(data, scrambleCipher, "other key");
        EXPECT_NE(once, keyed);
        EXPECT_EQ(data, unscrambled(keyed, scrambleCipher, "other key"));
    }
    // Every value of a two-byte buffer comes back.
    for (int v = 0; v < 65536; ++v) {
        Bytes pair = {static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v)};
        ASSERT_EQ(pair, unscrambled(scrambled(pair, scrambleCipher), scrambleCipher)) << v;
    }
}

TEST(Cipher, SingleByteIsTheSameXorBothWays) {
    for (int v = 0; v < 256; ++v) {
        Bytes one = {static_cast<unsigned char>(v)};
        Bytes forward = scrambled(one, scrambleCipher);
        EXPECT_EQ(forward, unscrambled(one, scrambleCipher));
        EXPECT_EQ(one, scrambled(forward, scrambleCipher));
        // The same key byte for every value.
        EXPECT_EQ(scrambled({0}, scrambleCipher)[0], forward[0] ^ v);
    }
    EXPECT_NE(0, scrambled({0}, scrambleCipher)[0]) << "a zero key byte would store clear text";
}

TEST(Cipher, NothingHappensWithoutBytes) {
    unsigned char sentinel = 0x5A;
    scrambleValue(&sentinel, 0, scrambleCipher, nullptr);
    scrambleValue(&sentinel, -3, scrambleCipher, nullptr);
    unscrambleValue(&sentinel, -1, scrambleCipher, nullptr);
    EXPECT_EQ(0x5A, sentinel);
}

TEST(Cipher, OddLengthPairsTheLastByteWithTheFirstAfterItsOwnPair) {
    // Byte 1 only ever goes through pair (0, 1), so it matches the even
    // length below; byte 0 goes through the last pair again, so it does not.
    Bytes three = scrambled(bytesOf("abc"), scrambleCipher);
    Bytes two = scrambled(bytesOf("ab"), scrambleCipher);
    EXPECT_EQ(two[1], three[1]);
    EXPECT_NE(two[0], three[0]);

    Bytes five = scrambled(bytesOf("abcde"), scrambleCipher);
    Bytes four = scrambled(bytesOf("abcd"), scrambleCipher);
    EXPECT_EQ(Bytes(four.begin() + 1, four.end()), Bytes(five.begin() + 1, five.begin() + 4));
    EXPECT_NE(four[0], five[0]);
    // And so the last byte reaches the first.
    EXPECT_NE(five[0], scrambled(bytesOf("abcdf"), scrambleCipher)[0]);
}

TEST(SecretValue, StoresMarkerAndUpperCaseDigitsAndStoringAgainChangesNothing) {
    std::string stored = storedFormOf("x");
    ASSERT_EQ(3u, stored.size());
    EXPECT_EQ('\xFF', stored[0]);
    std::string expected = "\xFF" + encodeHex(scrambled(bytesOf("x"), scrambleCipher));
    EXPECT_EQ(expected, stored);
    EXPECT_EQ(stored, storedFormOf(stored));
    EXPECT_EQ("x", valueOf(stored));

    EXPECT_EQ("", storedFormOf(""));
    EXPECT_EQ("", valueOf(""));
}

TEST(SecretValue, StoredFormsOfKnownValuesStayTheSame) {
    // Values already stored in data sources must keep reading back: these
    // pin the key block and the rounds.
    EXPECT_EQ("\xFF"
              "13",
              storedFormOf("x"));
    EXPECT_EQ("\xFF"
              "581FF3A5CA9FD4",
              storedFormOf("secret!"));
    EXPECT_EQ("2802A4DD6CD274", encodeHex(scrambled(bytesOf("secret!"), scrambleCipher, "Key!")));
}

TEST(SecretValue, RoundTripsValuesWhoseScrambledBytesContainZero) {
    // Find short text values whose scrambled bytes hold a 0: a reader that
    // takes the length of the decoded bytes from a terminator cuts them.
    int found = 0;
    for (int a = 'A'; a <= 'z' && found < 5; ++a)
        for (int b = 'A'; b <= 'z' && found < 5; ++b) {
            std::string value = {static_cast<char>(a), static_cast<char>(b), 'q'};
            Bytes bytes = scrambled(bytesOf(value), scrambleCipher);
            if (bytes[0] && bytes[1] && bytes[2])
                continue;
            ++found;
            EXPECT_EQ(value, valueOf(storedFormOf(value))) << value;
        }
    EXPECT_EQ(5, found);
}

TEST(SecretValue, RoundTripsTextOfAnyBytes) {
    ScopedErrorList errors;
    const std::string values[] = {
        "p", "pw", "s3cr\xE9t", "\x81\x40\x82\xA0", std::string(300, 'z'), "trailing space "};
    for (const std::string& value : values) {
        SCOPED_TRACE(value);
        std::string stored = storedFormOf(value);
        EXPECT_EQ(2 * value.size() + 1, stored.size());
        EXPECT_EQ(value, valueOf(stored));
    }
    EXPECT_EQ(0u, errors->count);
}

TEST(SecretValue, ValueStartingWithTheMarkerByteIsKeptOnlyWhenItReadsAsAStoredForm) {
    // 0xFF is a letter in code page 1252; such a value must not be stored
    // as clear text that the reader would then take for a stored form.
    const std::string marker = "\xFF";
    for (const std::string& value : {marker, marker + "x", marker + "414", marker + "4"}) {
        SCOPED_TRACE(value);
        std::string stored = storedFormOf(value);
        EXPECT_EQ(2 * value.size() + 1, stored.size());
        EXPECT_EQ(value, valueOf(stored));
    }
    // Indistinguishable from a stored form, so it is kept as one.
    EXPECT_EQ(marker + "41", storedFormOf(marker + "41"));
    EXPECT_EQ(marker + "a1b2", storedFormOf(marker + "a1b2"));
}

TEST(SecretValue, ClearTextReadsBackAsItIs) {
    EXPECT_EQ("plain", valueOf("plain"));
    EXPECT_EQ("", valueOf("\xFF"));
}

TEST(SecretValue, DamagedStoredFormFailsWithBadHexDigit) {
    std::string stored = storedFormOf("pw");
    for (std::string damaged : {stored.substr(0, 4), stored + "G1", std::string("\xFF") + "zz"}) {
        ScopedErrorList errors;
        EXPECT_EQ("<failed>", valueOf(damaged));
        expectOnlyBadHexDigit(errors);
    }
}

TEST(SecretValue, RefusesABufferTooSmallAndLeavesItUntouched) {
    ScopedErrorList errors;
    size_t n = 99;
    char out[8];
    std::memset(out, '#', sizeof out);
    EXPECT_EQ(1, encodeSecretValue(out, 6, "pwd", 3, &n));
    EXPECT_EQ(1, encodeSecretValue(out, 0, "", 0, &n));
    EXPECT_EQ(0, encodeSecretValue(out, 8, "pwd", 3, &n));
    EXPECT_EQ(7u, n);
    std::string stored(out, 7);

    std::memset(out, '#', sizeof out);
    EXPECT_EQ(1, decodeSecretValue(out, 3, stored.data(), 7, &n));
    EXPECT_EQ(1, decodeSecretValue(out, 5, "plain", 5, &n));
    EXPECT_EQ(std::string(8, '#'), std::string(out, 8));
    EXPECT_EQ(0, decodeSecretValue(out, 4, stored.data(), 7, &n));
    EXPECT_EQ("pwd", std::string(out));
    EXPECT_EQ(0u, errors->count);
}

TEST(SecretValue, EncodesAndDecodesInTheSameBuffer) {
    char buf[16] = "s3cret";
    size_t stored = 0, value = 0;
    ASSERT_EQ(0, encodeSecretValue(buf, sizeof buf, buf, 6, &stored));
    EXPECT_EQ(storedFormOf("s3cret"), std::string(buf, stored));
    ASSERT_EQ(0, decodeSecretValue(buf, sizeof buf, buf, stored, &value));
    EXPECT_EQ("s3cret", std::string(buf, value));
}

TEST(FileDate, ReportsMonthDayYearOfTheLastWriteInUtcAndTheSize) {
    ScratchDirectory dir("filedate");
    std::string march = dir.file("march.dat");
    std::string december = dir.file("december.bin");
    ASSERT_TRUE(writeScratchFile(march, 1234));
    ASSERT_TRUE(writeScratchFile(december, 0));
    // Near midnight on both sides, so a conversion to local time would show.
    ASSERT_TRUE(setFileWriteTimeUtc(march, 2009, 3, 5, 23, 59, 30));
    ASSERT_TRUE(setFileWriteTimeUtc(december, 2010, 12, 1, 0, 0, 30));

    char date[fileDateTextSize + 1];
    std::memset(date, '#', sizeof date);
    uint32_t size = 7;
    ASSERT_EQ(0, getFileDateAndSize(march.c_str(), date, &size));
    EXPECT_STREQ("03/05/2009", date);
    EXPECT_EQ('#', date[fileDateTextSize]);
    EXPECT_EQ(1234u, size);

    size = 7;
    ASSERT_EQ(0, getFileDateAndSize(dir.file("dec*.bin").c_str(), date, &size));
    EXPECT_STREQ("12/01/2010", date);
    EXPECT_EQ(0u, size);
}

TEST(FileDate, NoMatchingFileLeavesTheOutputsAlone) {
    ScratchDirectory dir("filedate-none");
    ASSERT_TRUE(writeScratchFile(dir.file("present.dat"), 10));
    char date[fileDateTextSize] = "unchanged";
    uint32_t size = 42;
    EXPECT_EQ(1, getFileDateAndSize(dir.file("absent.dat").c_str(), date, &size));
    EXPECT_EQ(1, getFileDateAndSize(dir.file("*.none").c_str(), date, &size));
    EXPECT_EQ(1, getFileDateAndSize(dir.file("missing/*.dat").c_str(), date, &size));
    EXPECT_STREQ("unchanged", date);
    EXPECT_EQ(42u, size);
}
