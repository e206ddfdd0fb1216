// Conversion of text in named character sets through ICU converters.
#include "base/icu_converter.h"
#include "base/error_list.h"
#include "base/wide_string.h"
#include <unicode/ucnv.h>

namespace {
// Code-page ids and their ICU converters, sorted by id. Ids below 3000 are
// IANA MIB enum numbers; ids from 2000000000 name converters without one:
// 2000000000 plus a Windows or IBM code-page number, vendor converters from
// 2000005026, and the character sets of another SQL server from 2000010001.
const CodePageRow codePageTable[] = {
    // IANA character sets by MIB enum number, named as the IANA registry
    // does or by an alias ICU knows them by. Sets that ICU has no
    // converter for are not listed.
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
    {16, "JIS_Encoding"},
    {17, "Shift_JIS"},
    {18, "EUC-JP"},
    {30, "ISO_646.irv:1983"},
    {36, "KS_C_5601-1987"},
    {37, "ISO-2022-KR"},
    {38, "EUC-KR"},
    {39, "ISO-2022-JP"},
    {40, "ISO-2022-JP-2"},
    {57, "GB_2312-80"},
    {81, "ISO_8859-6-E"},
    {82, "ISO_8859-6-I"},
    {84, "ISO_8859-8-E"},
    {85, "ISO_8859-8-I"},
    {103, "UNICODE-1-1-UTF-7"},
    {104, "ISO-2022-CN"},
    {105, "ISO-2022-CN-EXT"},
    {106, "UTF-8"},
    {109, "ISO-8859-13"},
    {110, "ISO-8859-14"},
    {111, "ISO-8859-15"},
    {113, "GBK"},
    {114, "GB18030"},
    {1000, "ISO-10646-UCS-2"},
    {1001, "ISO-10646-UCS-4"},
    {1010, "UTF-16BE"}, // Unicode 1.1: UCS-2, big-endian
    {1011, "SCSU"},
    {1012, "UTF-7"},
    {1013, "UTF-16BE"},
    {1014, "UTF-16LE"},
    {1015, "UTF-16LE"}, // read as little-endian, as Windows writes it
    {1016, "CESU-8"},
    {1017, "UTF-32"},
    {1018, "UTF-32BE"},
    {1019, "UTF-32LE"},
    {1020, "BOCU-1"},
    {2000, "windows-1252"}, // Windows 3.0 Latin 1, within windows-1252
    {2001, "windows-1252"}, // Windows 3.1 Latin 1, within windows-1252
    {2002, "windows-1250"}, // Windows 3.1 Latin 2, within windows-1250
    {2003, "windows-1254"}, // Windows 3.1 Latin 5, within windows-1254
    {2004, "hp-roman8"},
    {2005, "Adobe-Standard-Encoding"},
    {2009, "IBM850"},
    {2010, "IBM852"},
    {2011, "IBM437"},
    {2012, "IBM865"}, // HP PC-8 Danish/Norwegian: code page 865
    {2013, "IBM862"},
    {2014, "IBM857"}, // HP PC-8 Turkish: code page 857
    {2016, "IBM-Thai"},
    {2024, "Windows-31J"},
    {2025, "GB2312"},
    {2026, "Big5"},
    {2027, "macintosh"},
    {2028, "IBM037"},
    {2030, "IBM273"},
    {2033, "IBM277"},
    {2034, "IBM278"},
    {2035, "IBM280"},
    {2037, "IBM284"},
    {2038, "IBM285"},
    {2039, "IBM290"},
    {2040, "IBM297"},
    {2041, "IBM420"},
    {2043, "IBM424"},
    {2044, "IBM500"},
    {2045, "IBM851"},
    {2046, "IBM855"},
    {2047, "IBM857"},
    {2048, "IBM860"},
    {2049, "IBM861"},
    {2050, "IBM863"},
    {2051, "IBM864"},
    {2052, "IBM865"},
    {2053, "IBM868"},
    {2054, "IBM869"},
    {2055, "IBM870"},
    {2056, "IBM871"},
    {2062, "IBM918"},
    {2063, "IBM1026"},
    {2084, "KOI8-R"},
    {2085, "HZ-GB-2312"},
    {2086, "IBM866"},
    {2087, "IBM775"},
    {2088, "KOI8-U"},
    {2089, "IBM00858"},
    {2091, "IBM01140"},
    {2092, "IBM01141"},
    {2093, "IBM01142"},
    {2094, "IBM01143"},
    {2095, "IBM01144"},
    {2096, "IBM01145"},
    {2097, "IBM01146"},
    {2098, "IBM01147"},
    {2099, "IBM01148"},
    {2100, "IBM01149"},
    {2101, "Big5-HKSCS"},
    {2102, "IBM1047"},
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
    // An IBM code page without an IANA number.
    {4971, "ibm-4971"},
    // No name: ICU opens its default converter.
    {2000000000, nullptr},
    // A vendor's own converters.
    {2000000001, "UNICONV_CID_DECKANJI"},
    {2000000012, "UNICONV_CID_MACEURO"},
    // 2000000000 plus a Windows or IBM code-page number: the Windows
    // converter for the Windows ANSI code pages, else the one ICU's data
    // names by that IBM number.
    {2000000036, "windows-949"},
    {2000000037, "ibm-37_P100-1995"},
    {2000000273, "ibm-273_P100-1995"},
    {2000000277, "ibm-277_P100-1995"},
    {2000000278, "ibm-278_P100-1995"},
    {2000000280, "ibm-280_P100-1995"},
    {2000000284, "ibm-284_P100-1995"},
    {2000000285, "ibm-285_P100-1995"},
    {2000000290, "ibm-290_P100-1995"},
    {2000000297, "ibm-297_P100-1995"},
    {2000000367, "US-ASCII"},
    {2000000420, "ibm-420_X120-1999"},
    {2000000424, "ibm-424_P100-1995"},
    {2000000437, "ibm-437_P100-1995"},
    {2000000500, "ibm-500_P100-1995"},
    {2000000720, "ibm-720_P100-1997"},
    {2000000737, "UNICONV_CID_CP737"},
    {2000000775, "ibm-775_P100-1996"},
    {2000000803, "ibm-803_P100-1999"},
    {2000000813, "ibm-813_P100-1995"},
    {2000000819, "ISO-8859-1"},
    {2000000838, "ibm-838_P100-1995"},
    {2000000850, "ibm-850_P100-1995"},
    {2000000851, "ibm-851_P100-1995"},
    {2000000852, "ibm-852_P100-1995"},
    {2000000855, "ibm-855_P100-1995"},
    {2000000856, "ibm-856_P100-1995"},
    {2000000857, "ibm-857_P100-1995"},
    {2000000858, "ibm-858_P100-1997"},
    {2000000860, "ibm-860_P100-1995"},
    {2000000861, "ibm-861_P100-1995"},
    {2000000862, "ibm-862_P100-1995"},
    {2000000863, "ibm-863_P100-1995"},
    {2000000864, "ibm-864_X110-1999"},
    {2000000865, "ibm-865_P100-1995"},
    {2000000866, "ibm-866_P100-1995"},
    {2000000867, "ibm-867_P100-1998"},
    {2000000868, "ibm-868_P100-1995"},
    {2000000869, "ibm-869_P100-1995"},
    {2000000870, "ibm-870_P100-1995"},
    {2000000871, "ibm-871_P100-1995"},
    {2000000874, "ibm-1161_P100-1999"},
    {2000000875, "ibm-875_P100-1995"},
    {2000000878, "ibm-878_P100-1996"},
    {2000000901, "ibm-901_P100-1999"},
    {2000000902, "ibm-902_P100-1999"},
    {2000000912, "ibm-912_P100-1995"},
    {2000000913, "ibm-913_P100-2000"},
    {2000000914, "ibm-914_P100-1995"},
    {2000000915, "ibm-915_P100-1995"},
    {2000000916, "ibm-916_P100-1995"},
    {2000000918, "ibm-918_P100-1995"},
    {2000000920, "ibm-920_P100-1995"},
    {2000000921, "ibm-921_P100-1995"},
    {2000000922, "ibm-922_P100-1999"},
    {2000000923, "ibm-923_P100-1998"},
    {2000000930, "ibm-930_P120-1999"},
    {2000000931, "ibm-939_P120-1999"},
    {2000000932, "windows-932"},
    {2000000933, "ibm-933_P110-1995"},
    {2000000935, "ibm-935_P110-1999"},
    {2000000936, "windows-936"},
    {2000000937, "ibm-937_P110-1999"},
    {2000000939, "ibm-939_P120-1999"},
    {2000000942, "ibm-942_P12A-1999"},
    {2000000943, "ibm-943_P130-1999"},
    {2000000949, "windows-949"},
    {2000000950, "windows-950"},
    {2000000954, "ibm-954_P101-2007"},
    {2000000964, "ibm-964_P110-1999"},
    {2000000970, "ibm-970_P110_P110-2006_U2"},
    {2000000971, "ibm-971_P100-1995"},
    {2000001006, "ibm-1006_P100-1995"},
    {2000001025, "ibm-1025_P100-1995"},
    {2000001026, "ibm-1026_P100-1995"},
    {2000001047, "ibm-1047_P100-1995"},
    {2000001051, "ibm-1051_P100-1995"},
    {2000001089, "ibm-1089_P100-1995"},
    {2000001097, "ibm-1097_P100-1995"},
    {2000001098, "ibm-1098_P100-1995"},
    {2000001112, "ibm-1112_P100-1995"},
    {2000001122, "ibm-1122_P100-1999"},
    {2000001123, "ibm-1123_P100-1995"},
    {2000001124, "ibm-1124_P100-1996"},
    {2000001125, "ibm-1125_P100-1997"},
    {2000001129, "ibm-1129_P100-1997"},
    {2000001130, "ibm-1130_P100-1997"},
    {2000001131, "ibm-1131_P100-1997"},
    {2000001132, "ibm-1132_P100-1998"},
    {2000001133, "ibm-1133_P100-1997"},
    {2000001137, "ibm-1137_P100-1999"},
    {2000001140, "ibm-1140_P100-1997"},
    {2000001141, "ibm-1141_P100-1997"},
    {2000001142, "ibm-1142_P100-1997"},
    {2000001143, "ibm-1143_P100-1997"},
    {2000001144, "ibm-1144_P100-1997"},
    {2000001145, "ibm-1145_P100-1997"},
    {2000001146, "ibm-1146_P100-1997"},
    {2000001147, "ibm-1147_P100-1997"},
    {2000001148, "ibm-1148_P100-1997"},
    {2000001149, "ibm-1149_P100-1997"},
    {2000001153, "ibm-1153_P100-1999"},
    {2000001154, "ibm-1154_P100-1999"},
    {2000001155, "ibm-1155_P100-1999"},
    {2000001156, "ibm-1156_P100-1999"},
    {2000001157, "ibm-1157_P100-1999"},
    {2000001158, "ibm-1158_P100-1999"},
    {2000001160, "ibm-1160_P100-1999"},
    {2000001162, "ibm-1162_P100-1999"},
    {2000001164, "ibm-1164_P100-1999"},
    {2000001168, "ibm-1168_P100-2002"},
    {2000001200, "UTF-16BE"},
    {2000001201, "UTF-16BE"},
    {2000001202, "UTF-16LE"},
    {2000001203, "UTF-16LE"},
    {2000001204, "UTF-16"},
    {2000001205, "UTF-16"},
    {2000001208, "UTF-8"},
    {2000001209, "UTF-8"},
    {2000001212, "SCSU"},
    {2000001213, "SCSU"},
    {2000001214, "BOCU-1"},
    {2000001215, "BOCU-1"},
    {2000001232, "UTF-32BE"},
    {2000001233, "UTF-32BE"},
    {2000001234, "UTF-32LE"},
    {2000001235, "UTF-32LE"},
    {2000001236, "UTF-32"},
    {2000001237, "UTF-32"},
    {2000001250, "windows-1250"},
    {2000001251, "windows-1251"},
    {2000001252, "windows-1252"},
    {2000001253, "windows-1253"},
    {2000001254, "windows-1254"},
    {2000001255, "windows-1255"},
    {2000001256, "windows-1256"},
    {2000001257, "windows-1257"},
    {2000001258, "windows-1258"},
    {2000001276, "ibm-1276_P100-1995"},
    {2000001363, "ibm-1363_P110-1997"},
    {2000001364, "ibm-1364_P110-2007"},
    {2000001371, "ibm-1371_P100-1999"},
    {2000001373, "ibm-1373_P100-2002"},
    {2000001375, "ibm-1375_P100-2008"},
    {2000001383, "ibm-1383_P110-1999"},
    {2000001386, "ibm-1386_P100-2001"},
    {2000001388, "ibm-1388_P103-2001"},
    {2000001390, "ibm-1390_P110-2003"},
    {2000001392, "gb18030"},
    {2000001399, "ibm-1399_P110-2003"},
    {2000002024, "windows-932-2000"},
    {2000004517, "ibm-4517_P100-2005"},
    {2000004899, "ibm-4899_P100-1998"},
    {2000004902, "ISCII,version=0"},
    {2000004909, "ibm-4909_P100-1999"},
    {2000004971, "ibm-4971_P100-1999"},
    {2000005012, "ibm-5012_P100-1999"},
    // Further vendor converters.
    {2000005026, "ibm-1390"},
    {2000005027, "solaris-eucJP-2_7"},
    {2000005055, "td_ebcdic"},
    {2000005056, "td_tchebcdic937_3ib"},
    {2000005123, "ibm-5123_P100-1999"},
    {2000005304, "UTF-8"},
    {2000005305, "UTF-8"},
    {2000005346, "ibm-5346_P100-1998"},
    {2000005347, "ibm-5347_P100-1998"},
    {2000005348, "ibm-5348_P100-1997"},
    {2000005349, "ibm-5349_P100-1998"},
    {2000005350, "ibm-5350_P100-1998"},
    {2000005351, "ibm-5351_P100-1998"},
    {2000005352, "ibm-5352_P100-1998"},
    {2000005353, "ibm-5353_P100-1998"},
    {2000005354, "ibm-5354_P100-1998"},
    {2000005471, "ibm-5471_P100-2006"},
    {2000005478, "ibm-5478_P100-1995"},
    {2000008482, "ibm-8482_P100-1999"},
    {2000009005, "ibm-9005_X110-2007"},
    {2000009030, "ibm-838_P100-1995"},
    {2000009066, "ibm-874_P100-1995"},
    {2000009067, "ibm-9067_X100-2005"},
    {2000009400, "CESU-8"},
    {2000009424, "UTF-32BE"},
    {2000009447, "ibm-9447_P100-2002"},
    {2000009448, "ibm-9448_X100-2005"},
    {2000009449, "ibm-9449_P100-2002"},
    {2000009580, "ibm-1388_P103-2001"},
    // The character sets of another SQL database server, in its order
    // (armscii8 to ujis); those ICU has no converter for keep their own
    // names, so that converting with them is refused.
    {2000010001, "armscii8"},      // armscii8
    {2000010002, "US-ASCII"},      // ascii
    {2000010003, "Big5"},          // big5
    {2000010004, "ISO-8859-1"},    // binary: each byte as the code point of its value
    {2000010005, "windows-1250"},  // cp1250
    {2000010006, "windows-1251"},  // cp1251
    {2000010007, "windows-1256"},  // cp1256
    {2000010008, "windows-1257"},  // cp1257
    {2000010009, "ibm-850"},       // cp850
    {2000010010, "ibm-852"},       // cp852
    {2000010011, "ibm-866"},       // cp866
    {2000010012, "windows-932"},   // cp932
    {2000010013, "dec8"},          // dec8
    {2000010014, "eucjpms"},       // eucjpms
    {2000010015, "EUC-KR"},        // euckr
    {2000010016, "GB2312"},        // gb2312
    {2000010017, "GBK"},           // gbk
    {2000010018, "geostd8"},       // geostd8
    {2000010019, "ISO-8859-7"},    // greek
    {2000010020, "ISO-8859-8"},    // hebrew
    {2000010021, "hp-roman8"},     // hp8
    {2000010022, "keybcs2"},       // keybcs2
    {2000010023, "KOI8-R"},        // koi8r
    {2000010024, "KOI8-U"},        // koi8u
    {2000010025, "windows-1252"},  // latin1 (code page 1252)
    {2000010026, "ISO-8859-2"},    // latin2
    {2000010027, "ISO-8859-9"},    // latin5
    {2000010028, "ISO-8859-13"},   // latin7
    {2000010029, "macos-29-10.2"}, // macce
    {2000010030, "macintosh"},     // macroman
    {2000010031, "Shift_JIS"},     // sjis
    {2000010032, "EUC-JP"},        // ujis
};
} // namespace

const CodePageRow* codePageRows() {
    return codePageTable;
}

uint32_t codePageRowCount() {
    return sizeof codePageTable / sizeof codePageTable[0];
}

const char* codePageConverterName(uint32_t codePageId) {
    size_t lo = 0, hi = codePageRowCount();
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
    if (!bytes || !converter)
        return 1;
    uint32_t capacity = 0;
    char16_t* units = allocTerminatedUnits(n, &capacity);
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
