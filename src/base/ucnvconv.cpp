// Conversion of text in named character sets through ICU converters.
#include "ucnvconv.h"
#include "rverror.h"
#include "rvstringw.h"
#include <unicode/ucnv.h>

namespace {
struct CodePageRow {
    uint32_t id;
    const char* converter;
};

// Code-page ids and their ICU converters, sorted by id. Ids below 3000 are
// IANA MIB enum numbers; ids from 2000000000 name converters without one:
// 2000000000 plus a Windows or IBM code-page number, vendor converters from
// 2000005026, and the character sets of another SQL server from 2000010001.
const CodePageRow codePageTable[] = {
    {3, "ANSI_X3.4-1968"},
    {4, "ISO_8859-1:1987"},
    {5, "ISO_8859-2:1987"},
    {6, "ISO_8859-3:1988"},
    {7, "ISO_8859-4:1988"},
    {8, "ISO_8859-5:1988"},
    {9, "ISO_8859-6:1987"},
    {10, "ISO_8859-7:1987"},
    {11, "ISO_8859-8:1988"},
    {12, "ISO_8859-9:1989"},
    {13, "ISO-8859-10"},
    {17, "Shift_JIS"},
    {18, "EUC-JP"},
    {36, "KS_C_5601-1987"},
    {37, "ISO-2022-KR"},
    {38, "EUC-KR"},
    {39, "ISO-2022-JP"},
    {40, "ISO-2022-JP-2"},
    {57, "GB_2312-80"},
    {104, "ISO-2022-CN"},
    {105, "ISO-2022-CN-EXT"},
    {106, "UTF-8"},
    {109, "ISO-8859-13"},
    {110, "ISO-8859-14"},
    {111, "ISO-8859-15"},
    {112, "ISO-8859-16"},
    {113, "GBK"},
    {114, "GB18030"},
    {1000, "ISO-10646-UCS-2"},
    {1001, "ISO-10646-UCS-4"},
    {1012, "UTF-7"},
    {1013, "UTF-16BE"},
    {1014, "UTF-16LE"},
    {1015, "UTF-16LE"},
    {1017, "UTF-32"},
    {1018, "UTF-32BE"},
    {1019, "UTF-32LE"},
    {2009, "IBM850"},
    {2010, "IBM852"},
    {2011, "IBM437"},
    {2013, "IBM862"},
    {2025, "GB2312"},
    {2026, "Big5"},
    {2027, "macintosh"},
    {2028, "IBM037"},
    {2046, "IBM855"},
    {2047, "IBM857"},
    {2048, "IBM860"},
    {2049, "IBM861"},
    {2050, "IBM863"},
    {2051, "IBM864"},
    {2052, "IBM865"},
    {2054, "IBM869"},
    {2084, "KOI8-R"},
    {2085, "HZ-GB-2312"},
    {2086, "IBM866"},
    {2087, "IBM775"},
    {2088, "KOI8-U"},
    {2101, "Big5-HKSCS"},
    {2109, "windows-874"},
    {2250, "windows-1250"},
    {2251, "windows-1251"},
    {2252, "windows-1252"},
    {2253, "windows-1253"},
    {2254, "windows-1254"},
    {2255, "windows-1255"},
    {2256, "windows-1256"},
    {2257, "windows-1257"},
    {2258, "windows-1258"},
    {2259, "TIS620"},
    {4971, "ibm-4971"},
    {2000000000, nullptr},
    {2000000001, "UNICONV_CID_DECKANJI"},
    {2000000012, "UNICONV_CID_MACEURO"},
    {2000000036, "windows-949"},
    {2000000037, "ibm-37_P100-1995"},
    {2000000437, "ibm-437_P100-1995"},
    {2000000737, "UNICONV_CID_CP737"},
    {2000000850, "ibm-850_P100-1995"},
    {2000000852, "ibm-852_P100-1995"},
    {2000000866, "ibm-866_P100-1995"},
    {2000000874, "ibm-1161_P100-1999"},
    {2000000932, "windows-932"},
    {2000000936, "windows-936"},
    {2000000949, "windows-949"},
    {2000000950, "windows-950"},
    {2000001250, "windows-1250"},
    {2000001251, "windows-1251"},
    {2000001252, "windows-1252"},
    {2000001253, "windows-1253"},
    {2000001254, "windows-1254"},
    {2000001255, "windows-1255"},
    {2000001256, "windows-1256"},
    {2000001257, "windows-1257"},
    {2000001258, "windows-1258"},
    {2000002024, "windows-932-2000"},
    {2000005026, "ibm-1390"},
    {2000005027, "solaris-eucJP-2_7"},
    {2000005055, "td_ebcdic"},
    {2000005056, "td_tchebcdic937_3ib"},
    {2000010001, "armscii8"},
    {2000010002, "US-ASCII"},
    {2000010003, "Big5"},
    {2000010005, "windows-1250"},
    {2000010006, "windows-1251"},
    {2000010007, "windows-1256"},
    {2000010008, "windows-1257"},
    {2000010009, "ibm-850"},
    {2000010010, "ibm-852"},
    {2000010011, "ibm-866"},
    {2000010012, "windows-932"},
    {2000010015, "EUC-KR"},
    {2000010016, "GB2312"},
    {2000010017, "GBK"},
    {2000010019, "ISO-8859-7"},
    {2000010020, "ISO-8859-8"},
    {2000010023, "KOI8-R"},
    {2000010024, "KOI8-U"},
    {2000010025, "ISO-8859-1"},
    {2000010026, "ISO-8859-2"},
    {2000010027, "ISO-8859-9"},
    {2000010028, "ISO-8859-13"},
    {2000010029, "macos-29-10.2"},
    {2000010030, "macintosh"},
    {2000010031, "Shift_JIS"},
    {2000010032, "EUC-JP"},
};
} // namespace

const char* codePageConverterName(uint32_t codePageId) {
    size_t lo = 0, hi = sizeof codePageTable / sizeof codePageTable[0];
    while (lo < hi) {
        size_t mid = lo + (hi - lo) / 2;
        if (codePageTable[mid].id == codePageId)
            return codePageTable[mid].converter;
        if (codePageTable[mid].id < codePageId)
            lo = mid + 1;
        else
            hi = mid;
    }
    return nullptr;
}

int RvStringW::fromConverter(const char* bytes, uint32_t n, UConverter* converter) {
    uint32_t capacity = n + 1;
    if (!bytes || !converter || capacity == 0)
        return 1;
    char16_t* units = static_cast<char16_t*>(rvAlloc(size_t(capacity) * 2));
    if (!units)
        return 1;
    UChar* target = reinterpret_cast<UChar*>(units);
    const char* source = bytes;
    UErrorCode status = U_ZERO_ERROR;
    ucnv_toUnicode(converter, &target, target + capacity, &source, bytes + n, nullptr, true,
                   &status);
    uint32_t produced = static_cast<uint32_t>(target - reinterpret_cast<UChar*>(units));
    // No room left for the terminator counts as a failed conversion.
    if (U_FAILURE(status) || status == U_STRING_NOT_TERMINATED_WARNING || produced >= capacity) {
        rvFree(units);
        return 1;
    }
    units[produced] = 0;
    if (ownsBuffer)
        rvFree(buffer);
    buffer = units;
    length = produced;
    this->capacity = capacity;
    ownsBuffer = 1;
    return 0;
}

int RvStringW::fromCodePage(const char* bytes, uint32_t n, uint32_t codePageId) {
    UErrorCode status = U_ZERO_ERROR;
    UConverter* converter = ucnv_open(codePageConverterName(codePageId), &status);
    if (status == U_FILE_ACCESS_ERROR) {
        char digits[32];
        formatInt64(digits, static_cast<int32_t>(codePageId));
        postError(msgNoConverter)->appendText(digits);
        return 1;
    }
    if (U_FAILURE(status) || !converter) {
        clear();
        return mapConverterStatus(status);
    }
    int result = fromConverter(bytes, n, converter);
    ucnv_close(converter);
    return result;
}
