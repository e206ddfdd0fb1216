// A recording stand-in for the ODBC installer: ODBC.INI as a map of
// sections, and the installer calls a request made, in order. It refuses a
// call that lacks an argument it needs (it does not model the deletions a
// null key or text asks of the real one). Needs no test framework: the
// fuzz targets use it too.
#pragma once
#include "store/installer_shim.h"
#include <functional>
#include <map>
#include <string>
#include <vector>

struct FakeInstaller {
    // Section names compare without regard to case, as the installer's do.
    struct NoCase {
        bool operator()(const std::string& a, const std::string& b) const;
    };
    using Section = std::map<std::string, std::string, NoCase>;
    std::map<std::string, Section, NoCase> ini;
    std::vector<std::string> calls;
    // SQLGetPrivateProfileString calls, "section key" or "section (keys)"
    // for a listing of the section's key names.
    std::vector<std::string> reads;
    // Answers a value that does not fit with the default, as Wine 8's
    // installer does, instead of cutting it as Windows' does.
    bool defaultWhenTooLong = false;
    // A listing of key names answers the buffer's whole size, as an
    // installer whose list did not fit might.
    bool listingFillsBuffer = false;
    // The call number (1 = first) from which writes fail; 0: none fails.
    int failWritesFrom = 0;
    // SQLRemoveDSNFromIni refuses.
    bool failRemove = false;
    // What the user does in SQLGetTranslator's dialog: cancel, or choose
    // (an empty path is "no translator").
    struct Translator {
        bool chosen = false;
        std::string name, path;
        uint32_t option = 0;
    } translator;

    // One call as the request made it, handed to the watcher once it is
    // answered: the function's name, its text arguments in order as given
    // (null ones too; a read's buffer among them), a read's buffer size
    // (0 for the other calls) and the answer.
    struct Call {
        const char* function;
        std::vector<const char*> arguments;
        int size;
        int result;
    };
    // Sees every call; a fuzz target checks the order of the calls there.
    std::function<void(const Call&)> watcher;

    FakeInstaller();
    ~FakeInstaller();
    FakeInstaller(const FakeInstaller&) = delete;
    FakeInstaller& operator=(const FakeInstaller&) = delete;
    // Keys of a section in the order they were written.
    std::vector<std::pair<std::string, std::string>> written(const std::string& section) const;
    std::vector<std::pair<std::string, std::string>> order;
    std::vector<std::string> orderSections;
};
