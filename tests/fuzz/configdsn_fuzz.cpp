// libFuzzer target: a whole silent ConfigDSN request, from the attribute
// string to the installer calls, against an in-memory installer.
//
// Input: the first byte chooses the request, the rest is the attribute
// string's bytes (the target adds the closing pair of NULs).
//   bits 0-1  request: 1 + (bits % 3), add, configure or remove
//   bit 2     file data source: a SAVEFILE entry is added
//   bit 3     the installer already holds data source "Sales"
//   bit 4     ANSI code page 932 (double-byte), else 1252
//   bit 5     the allocation numbered by the second byte fails
//
// The target always puts an OutStrAddr entry first, naming a variable of
// its own, so that a file data source hands its string back there and an
// OutStrAddr in the input is a repeated keyword, never an address to write
// through.
//
// Checked: no crash, leak or out-of-bounds access (ASan); the result is 0
// or 1; every block allocated by the request is freed; the thread's error
// list is put back; an attribute string that does not parse causes no
// installer write; keys are written only after the name was accepted and
// the data source registered under that name, in table order, each once,
// then the stored key that the table does not know;
// a file data source writes nothing and hands back a "DRIVER=" string.
#include "base/rvalloc.h"
#include "base/rverror.h"
#include "base/rvplatform.h"
#include "base/rvvaluep.h"
#include "setup/basesetu.h"
#include "support/errorscope.h"
#include "support/fakeinst.h"
#include "support/libstart.h"
#include "setup/infsgbvr.h"
#include "base/perthred.h"
#include "entry/setup.h"
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>
#include <sys/mman.h>

namespace {

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "configdsn_fuzz: %s\n", what);
        std::abort();
    }
}

// What the request did to the installer in one run, checked call by call
// as the installer answers.
struct Run {
    std::string acceptedName; // last name SQLValidDSN accepted
    std::string registered;   // last name SQLWriteDSNToIni registered
    int writes = 0;           // SQLWriteDSNToIni, SQLRemoveDSNFromIni, key writes
    int nextRow = 0;          // table row the next key write may start from
} run;

void checkArguments(const FakeInstaller::Call& call, size_t optional) {
    for (size_t i = 0; i < call.arguments.size(); ++i)
        if (i != optional && !call.arguments[i]) {
            std::fprintf(stderr, "configdsn_fuzz: %s without argument %zu\n", call.function, i + 1);
            std::abort();
        }
}

void checkKeyWrite(const char* section, const char* entry, const char* file) {
    check(std::strcmp(file, "ODBC.INI") == 0, "a key written to another profile");
    check(strcasecmp(section, run.registered.c_str()) == 0,
          "a key written before its data source was registered");
    ++run.writes;
    // After the table's keys, the stored key that the table does not know.
    if (run.nextRow == attributeTableCount && std::strcmp(entry, "Extra") == 0)
        return;
    int row = run.nextRow;
    while (row < attributeTableCount && std::strcmp(attributeTable[row].keyword, entry) != 0)
        ++row;
    check(row < attributeTableCount, "a key outside the table, or out of table order");
    run.nextRow = row + 1;
}

void watch(const FakeInstaller::Call& call) {
    const std::string function = call.function;
    const auto& a = call.arguments;
    if (function == "SQLGetPrivateProfileString") {
        // The key may be left out: a listing of the section's key names.
        checkArguments(call, 1);
        check(call.size >= 2, "a key read into a buffer too small for one character");
        return;
    }
    checkArguments(call, a.size());
    if (function == "SQLValidDSN") {
        if (call.result)
            run.acceptedName = a[0];
    } else if (function == "SQLWriteDSNToIni") {
        check(run.acceptedName == a[0], "a data source registered under an unchecked name");
        ++run.writes;
        run.registered = a[0];
        run.nextRow = 0;
    } else if (function == "SQLRemoveDSNFromIni") {
        check(a[0][0] != 0, "SQLRemoveDSNFromIni without a name");
        ++run.writes;
    } else if (function == "SQLWritePrivateProfileString") {
        checkKeyWrite(a[0], a[1], a[3]);
    }
}

// The caller's variable of a file data source, named by OutStrAddr.
char** outputVariable = nullptr;
std::string outputEntry;

void storeSales(FakeInstaller& installer) {
    FakeInstaller::Section& s = installer.ini["Sales"];
    s["Description"] = std::string(300, 'd'); // longer than the first read buffer
    s["Database"] = "stores";
    s["CursorBehavior"] = "0 - Close";
    s["CancelDetectInterval"] = "";
    s["Extra"] = "not in the table";
}

// Whether the value parser refuses the attribute string as the request
// reads it; false when the request would first drop a parenthesised
// second entry, which the parser alone does not do.
bool refusedByParser(const std::string& attributes, uint16_t request) {
    uint32_t n = measureAttributes(attributes.data());
    if (request != requestAddDsn) {
        size_t second = attributes.find('\0') + 1;
        if (second < n && attributes[second] == '(')
            return false;
    }
    ScopedErrorList errors;
    RvValueParser* parser =
        new RvValueParser(RvSubString(attributes.data(), n, encodingAnsi), '\0', nullptr, 0);
    check(parser != nullptr, "no parser");
    bool refused = parser->parse() != 0;
    delete parser;
    return refused;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    startLibraryOrStop();
    void* block = mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    check(block != MAP_FAILED, "no memory for the output variable");
    outputVariable = static_cast<char**>(block);
    // The address's bytes in memory order, two digits each.
    uintptr_t bits = reinterpret_cast<uintptr_t>(block);
    char text[64] = "OutStrAddr=0x";
    size_t used = std::strlen(text);
    for (size_t i = 0; i < sizeof bits; ++i, bits >>= 8)
        used += std::snprintf(text + used, sizeof text - used, "%02X", unsigned(bits & 0xFF));
    outputEntry.assign(text, std::strlen(text) + 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > 8192)
        return 0;
    uint8_t setting = data[0];
    uint16_t request = static_cast<uint16_t>(1 + (setting & 3) % 3);
    bool fileDataSource = setting & 4;
    long failAt = 0;
    platSetAnsiCodePage((setting & 0x10) ? 932 : 1252);
    ++data;
    --size;
    if ((setting & 0x20) && size > 0) {
        failAt = 1 + data[0];
        ++data;
        --size;
    }

    std::string attributes = outputEntry;
    if (fileDataSource)
        attributes.append("SAVEFILE=fuzz.dsn", sizeof "SAVEFILE=fuzz.dsn");
    attributes.append(reinterpret_cast<const char*>(data), size);
    attributes.append(2, '\0');

    FakeInstaller installer;
    installer.watcher = watch;
    run = Run();
    if (setting & 8)
        storeSales(installer);
    bool refused = refusedByParser(attributes, request);
    *outputVariable = nullptr;

    long live = rvAllocLive();
    rvAllocFailAt(failAt);
    int result = ConfigDSN(nullptr, request, "Informix Test Driver", attributes.data());
    rvAllocFailAt(0);

    check(result == 0 || result == 1, "ConfigDSN returned neither TRUE nor FALSE");
    check(threadSlot(0) == nullptr, "the request left its error list installed");
    if (refused) {
        check(result == 0, "an attribute string the parser refuses was carried out");
        check(run.writes == 0, "an attribute string the parser refuses changed ODBC.INI");
    }
    if (char* handedBack = *outputVariable) {
        check(result == 1, "a failed request handed back a string");
        check(std::strncmp(handedBack, "DRIVER=Informix Test Driver;", 28) == 0,
              "the handed-back string does not start with the driver");
        check(run.writes == 0, "a file data source was written to ODBC.INI");
        rvFree(handedBack);
        *outputVariable = nullptr;
    }
    check(rvAllocLive() == live, "the request did not free every block it allocated");
    return 0;
}
