// dsnconfig: turning the administrator's ';' list into the installer's
// NUL-separated list, and refusing a command line before any installer
// call.
#include "attrlist.h"
#include "cmdline.h"
#include "dsnfile.h"
#include "keywords.h"
#include "pefile.h"
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>

using namespace dsnconfig;

namespace {

// The list's bytes, both final NULs included.
std::string converted(const std::string& text) {
    AttributeList list;
    char message[messageCapacity];
    if (!convertAttributeText(text.data(), text.size(), &list, message))
        return std::string("refused: ") + message;
    return std::string(list.bytes, list.length);
}

std::string refusal(const std::string& text) {
    AttributeList list;
    char message[messageCapacity];
    EXPECT_FALSE(convertAttributeText(text.data(), text.size(), &list, message)) << text;
    return message;
}

using namespace std::string_literals;

TEST(AttributeText, BecomesNulSeparatedEntriesEndedByASecondNul) {
    EXPECT_EQ(converted("DSN=Sales;HOST=dbhost"), "DSN=Sales\0HOST=dbhost\0\0"s);
    EXPECT_EQ(converted(""), "\0\0"s);
    // An empty value is a value, not a missing entry.
    EXPECT_EQ(converted("Description=;DSN=s"), "Description=\0DSN=s\0\0"s);
}

TEST(AttributeText, EmptyEntriesDoNotEndTheListEarly) {
    EXPECT_EQ(converted(";;DSN=s;; ;HOST=h;"), "DSN=s\0HOST=h\0\0"s);
}

TEST(AttributeText, BracesProtectSemicolonsAndAreRemoved) {
    EXPECT_EQ(converted("Description={a;b};DSN=s"), "Description=a;b\0DSN=s\0\0"s);
    EXPECT_EQ(converted("Description={x}}y;z}}}"), "Description=x}y;z}\0\0"s);
    EXPECT_EQ(converted("Description= {a;b} ;DSN=s"), "Description=a;b\0DSN=s\0\0"s);
    EXPECT_EQ(converted("Description={}"), "Description=\0\0"s);
    // Only a brace that opens the value quotes it.
    EXPECT_EQ(converted("Description=a{b;DSN=s}"), "Description=a{b\0DSN=s}\0\0"s);
}

TEST(AttributeText, MalformedTextIsRefusedWithItsReason) {
    EXPECT_NE(refusal("DSN=s\0HOST=h"s).find("NUL"), std::string::npos);
    EXPECT_NE(refusal("DSN=s;HOST").find("without '='"), std::string::npos);
    EXPECT_NE(refusal(" =x;DSN=s").find("without keyword"), std::string::npos);
    EXPECT_NE(refusal("DSN=s;Description={a;b").find("unterminated"), std::string::npos);
    EXPECT_NE(refusal("Description={a}}").find("unterminated"), std::string::npos);
    EXPECT_NE(refusal("Description={a}b;DSN=s").find("after a closing brace"), std::string::npos);
}

TEST(AttributeText, RefusesWhatTheSetupLibraryWouldCut) {
    // "Description=" + value + NUL + final NUL fills the 2048 bytes exactly.
    std::string prefix = "Description=";
    std::string value(maxAttributeListBytes - prefix.size() - 2, 'x');
    EXPECT_EQ(converted(prefix + value).size(), maxAttributeListBytes);
    EXPECT_NE(refusal(prefix + value + "x").find("longer than"), std::string::npos);
    // Dropped braces don't count.
    EXPECT_EQ(converted(prefix + "{" + value + "}").size(), maxAttributeListBytes);
}

TEST(AttributeText, FindsAKeywordRegardlessOfCaseAndBlanks) {
    AttributeList list;
    char message[messageCapacity];
    const char* text = "DSNX=a; dsn =Sales;DSN=Other";
    ASSERT_TRUE(convertAttributeText(text, std::strlen(text), &list, message));
    const char* value = findAttribute(list, "DSN");
    ASSERT_NE(value, nullptr);
    EXPECT_STREQ(value, "Sales");
    EXPECT_EQ(findAttribute(list, "HOST"), nullptr);
}

// Parses "dsnconfig" followed by args; returns the refusal, or "" when the
// command line is accepted.
std::string parse(std::vector<const char*> args, Command* command) {
    args.insert(args.begin(), "dsnconfig");
    char message[messageCapacity];
    if (parseCommandLine(static_cast<int>(args.size()), args.data(), command, message))
        return "";
    EXPECT_NE(message[0], '\0');
    return message;
}

std::string parse(std::vector<const char*> args) {
    static Command command;
    return parse(std::move(args), &command);
}

TEST(CommandLine, DataSourceRequestNamesDriverAndDataSource) {
    static Command command;
    ASSERT_EQ(parse({"configure", "My Driver", "HOST=h;DSN={Sales}"}, &command), "");
    EXPECT_EQ(command.kind, CommandKind::configure);
    EXPECT_STREQ(command.driver, "My Driver");
    EXPECT_STREQ(command.dataSource, "Sales");
    EXPECT_EQ(std::string(command.attributes.bytes, command.attributes.length),
              "HOST=h\0DSN=Sales\0\0"s);
}

TEST(CommandLine, AddAndConfigureMayAskForTheDialog) {
    static Command command;
    ASSERT_EQ(parse({"add", "--dialog", "D", "DSN=s"}, &command), "");
    EXPECT_TRUE(command.dialog);
    EXPECT_STREQ(command.driver, "D");
    ASSERT_EQ(parse({"configure", "D", "DSN=s"}, &command), "");
    EXPECT_FALSE(command.dialog);
    // Removing shows nothing.
    EXPECT_NE(parse({"remove", "--dialog", "D", "DSN=s"}), "");
}

TEST(CommandLine, DataSourceRequestsAreRefusedBeforeAnyInstallerCall) {
    EXPECT_NE(parse({"add", "D"}), "");
    EXPECT_NE(parse({"add", "D", "DSN=s", "extra"}), "");
    EXPECT_NE(parse({"add", "", "DSN=s"}).find("empty driver"), std::string::npos);
    EXPECT_NE(parse({"add", "a\\b", "DSN=s"}).find("'\\'"), std::string::npos);
    EXPECT_NE(parse({"add", std::string(256, 'd').c_str(), "DSN=s"}).find("255"),
              std::string::npos);
    EXPECT_NE(parse({"remove", "D", "HOST=h"}).find("no data source"), std::string::npos);
    EXPECT_NE(parse({"remove", "D", "DSN= "}).find("no data source"), std::string::npos);
    EXPECT_NE(parse({"add", "D", "DSN=s;HOST"}).find("without '='"), std::string::npos);
    // A file data source would need an address in the tool's own memory.
    EXPECT_NE(parse({"add", "D", "DSN=s;SAVEFILE=f;OutStrAddr=0x1234"}).find("SAVEFILE"),
              std::string::npos);
    EXPECT_NE(parse({"add", "D", "DSN=s;outstraddr=12345678"}).find("OutStrAddr"),
              std::string::npos);
    EXPECT_NE(parse({"add", "D", "Driver=x;DSN=s"}).find("DRIVER"), std::string::npos);
}

TEST(CommandLine, InstallDriverTakesItsOptions) {
    static Command command;
    ASSERT_EQ(parse({"install-driver"}, &command), "");
    EXPECT_STREQ(command.driver, "Informix ODBC Driver");
    EXPECT_EQ(command.setupPath, nullptr);
    EXPECT_EQ(command.helpRoot, nullptr);
    ASSERT_EQ(
        parse({"install-driver", "--help-root", "C:\\help", "--driver", "X", "--setup", "s.dll"},
              &command),
        "");
    EXPECT_STREQ(command.driver, "X");
    EXPECT_STREQ(command.setupPath, "s.dll");
    EXPECT_STREQ(command.helpRoot, "C:\\help");

    EXPECT_NE(parse({"install-driver", "--setup"}).find("needs a value"), std::string::npos);
    EXPECT_NE(parse({"install-driver", "--driver", "a", "--driver", "b"}).find("twice"),
              std::string::npos);
    EXPECT_NE(parse({"install-driver", "--bogus", "x"}).find("--bogus"), std::string::npos);
    EXPECT_NE(parse({"install-driver", "--help-root", ""}).find("empty"), std::string::npos);
}

TEST(CommandLine, OtherCommands) {
    static Command command;
    ASSERT_EQ(parse({"show", "Sales"}, &command), "");
    EXPECT_STREQ(command.dataSource, "Sales");
    ASSERT_EQ(parse({"list", "--driver", "Other"}, &command), "");
    EXPECT_STREQ(command.driver, "Other");
    ASSERT_EQ(parse({"remove-driver"}, &command), "");
    EXPECT_EQ(command.kind, CommandKind::removeDriver);
    EXPECT_STREQ(command.driver, "Informix ODBC Driver");
    ASSERT_EQ(parse({"remove-driver", "--driver", "Other"}, &command), "");
    EXPECT_STREQ(command.driver, "Other");
    ASSERT_EQ(parse({"--help"}, &command), "");
    EXPECT_EQ(command.kind, CommandKind::help);

    EXPECT_NE(parse({}).find("no command"), std::string::npos);
    EXPECT_NE(parse({"frobnicate"}).find("unknown command"), std::string::npos);
    EXPECT_NE(parse({"show"}), "");
    EXPECT_NE(parse({"show", "a", "b"}), "");
    EXPECT_NE(parse({"show", ""}), "");
    EXPECT_NE(parse({"list", "Other"}), "");
    EXPECT_NE(parse({"remove-driver", "--setup", "s.dll"}), "");
}

TEST(CommandLine, ScopeOptionsGoWithTheDataSourceCommandsAnywhere) {
    struct Case {
        std::vector<const char*> args;
        Scope scope; // the scope read, when accepted
        const char* refusal;
    };
    const Case cases[] = {
        {{"add", "D", "DSN=s"}, Scope::unspecified, nullptr},
        {{"add", "--system", "D", "DSN=s"}, Scope::system, nullptr},
        {{"configure", "D", "--dialog", "DSN=s", "--user"}, Scope::user, nullptr},
        {{"remove", "--system", "--system", "D", "DSN=s"}, Scope::system, nullptr},
        {{"show", "s", "--user"}, Scope::user, nullptr},
        {{"list", "--system", "--driver", "X"}, Scope::system, nullptr},
        {{"list", "--system", "--user"}, Scope::unspecified, "exclude each other"},
        {{"install-driver", "--system"}, Scope::unspecified, "--system"},
        {{"remove-driver", "--user"}, Scope::unspecified, "--user"},
        {{"show", "--system"}, Scope::unspecified, "show takes one operand"},
    };
    for (const Case& c : cases) {
        static Command command;
        std::string refusal = parse(c.args, &command);
        if (c.refusal) {
            EXPECT_NE(refusal.find(c.refusal), std::string::npos) << c.args[0] << ": " << refusal;
        } else {
            EXPECT_EQ(refusal, "") << c.args[0];
            EXPECT_EQ(command.scope, c.scope) << c.args[0];
        }
    }
}

TEST(Keywords, PasswordsAndShortKeywordsAreKnownRegardlessOfCase) {
    for (const char* key : {"PWD", "pwd", "Password", "LogonPassword", "DBPASSWD", "AuthPwd"})
        EXPECT_TRUE(isSecretKey(key)) << key;
    for (const char* key : {"LogonID", "Description", "PW", "Pass", ""})
        EXPECT_FALSE(isSecretKey(key)) << key;
    EXPECT_STREQ(storedKeyFor("host"), "HostName");
    EXPECT_STREQ(storedKeyFor("HostName"), "HostName");
    EXPECT_STREQ(storedKeyFor("Unknown"), "Unknown");
}

// The sections of an export file's text, each as its name, driver, scope
// and list; the refusal when there is one.
std::string readFile(const std::string& text) {
    static FileSection section;
    FileReader reader;
    char message[messageCapacity];
    startReading(&reader, text.data(), text.size());
    std::string read;
    ReadResult result;
    while ((result = readSection(&reader, &section, message)) == ReadResult::section)
        read += std::string(section.name) + "|" + section.driver + "|" +
                std::to_string(static_cast<int>(section.scope)) + "|" +
                std::string(section.attributes.bytes, section.attributes.length) + "\n";
    return result == ReadResult::error ? std::string("refused: ") + message : read;
}

TEST(ExportFile, EveryValueComesBackAsWritten) {
    const char* values[] = {"plain",    "a;b=c}{", "{x}", " lead",     "trail ",
                            "\tboth\t", "}}{{",    "",    "Ωμέγα 東京"};
    for (const char* value : values) {
        char line[maxLineBytes];
        char message[messageCapacity];
        ASSERT_TRUE(formatFileEntry("Key", value, line, sizeof line, message)) << value;
        EXPECT_EQ(readFile("[S]\r\n" + std::string(line) + "\r\n"),
                  "S||0|DSN=S\0Key="s + value + "\0\0\n"s)
            << line;
    }
}

TEST(ExportFile, SectionsCarryTheirRegistrationAndKeysInOrder) {
    EXPECT_EQ(readFile("\xEF\xBB\xBF; comment\n\n[One]\n Driver = D 1 \nScope=SYSTEM\n"
                       "# note\nHOST = h \n[Two]\nScope=user\nUID={ u }\nPRO=x\n"),
              "One|D 1|2|DSN=One\0HOST=h\0\0\nTwo||1|DSN=Two\0UID= u \0PRO=x\0\0\n"s);
    EXPECT_EQ(readFile("; nothing\n"), "");
}

TEST(ExportFile, WhatNoLineCanHoldIsRefused) {
    const char* keys[] = {"", "a=b", " k", "k ", "[k", ";k", "#k", "Driver", "scope", "DSN"};
    char line[64];
    char message[messageCapacity];
    for (const char* key : keys)
        EXPECT_FALSE(formatFileEntry(key, "v", line, sizeof line, message)) << key;
    EXPECT_FALSE(formatFileEntry("k", "a\nb", line, sizeof line, message));
    // Braces and doubled '}' count: 31 bytes of value take 65.
    EXPECT_FALSE(
        formatFileEntry("k", ("{" + std::string(30, '}')).c_str(), line, sizeof line, message));
    for (const char* name : {"a]b", " a", "a\\b", ""})
        EXPECT_FALSE(checkSectionName(name, message)) << name;
}

TEST(ExportFile, MalformedFilesAreRefusedWithTheLine) {
    struct Case {
        std::string text;
        const char* refusal;
    };
    const Case cases[] = {
        {"HOST=h\n[S]\n", "line 1: an entry outside a section"},
        {"[S]\nHOST\n", "line 2: a line without '='"},
        {"[S]\n=h\n", "line 2: an entry without a key"},
        {"[S]\nA={x\n", "line 2: unterminated brace"},
        {"[S]\nA={x}y\n", "line 2: text after a closing brace"},
        {"[S]\nA=1\na=2\n", "line 3: a key given twice"},
        {"[S]\nScope=both\n", "line 2: Scope is user or system"},
        {"[S]\nDriver=a\nDriver=b\n", "line 3: Driver given twice"},
        {"[S]\nDSN=x\n", "line 2: the section's header names the data source"},
        {"[S]\nSAVEFILE=f\n", "line 1: keyword SAVEFILE"},
        {"[]\n", "line 1: a section header is [name]"},
        {"[S]\nA=\0\n"s, "line 2: a NUL byte"},
        {"[S]\nA=" + std::string(maxAttributeListBytes, 'x') + "\n",
         "line 2: the section is longer"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(readFile(c.text).find("refused: "s + c.refusal), 0u) << readFile(c.text);
}

TEST(CommandLine, ExportAndImportTakeTheirOptions) {
    static Command command;
    ASSERT_EQ(
        parse({"export", "A", "--output", "f.ini", "B", "--with-secrets", "--system"}, &command),
        "");
    EXPECT_EQ(command.operandCount, 2);
    EXPECT_STREQ(command.outputPath, "f.ini");
    EXPECT_TRUE(command.withSecrets);
    EXPECT_STREQ(command.driver, "Informix ODBC Driver");
    ASSERT_EQ(parse({"import", "--dry-run", "f.ini"}, &command), "");
    EXPECT_STREQ(command.filePath, "f.ini");
    EXPECT_TRUE(command.dryRun);
    EXPECT_NE(parse({"import"}), "");
    EXPECT_NE(parse({"import", "a", "b"}), "");
    EXPECT_NE(parse({"import", "--with-secrets", "f"}).find("--with-secrets"), std::string::npos);
    EXPECT_NE(parse({"export", "a\\b"}), "");
}

// A PE file's first bytes: "MZ", the header offset at 0x3C, and there
// "PE\0\0" and the machine field.
std::string peHeader(uint32_t offset, uint16_t machine, const char* signature = "PE") {
    std::string bytes(offset + 24, '\0');
    bytes[0] = 'M';
    bytes[1] = 'Z';
    for (int i = 0; i < 4; ++i)
        bytes[0x3C + i] = static_cast<char>(offset >> (8 * i));
    bytes.replace(offset, 2, signature, 2);
    bytes[offset + 4] = static_cast<char>(machine & 0xFF);
    bytes[offset + 5] = static_cast<char>(machine >> 8);
    return bytes;
}

TEST(PeFile, TheMachineFieldNamesTheArchitecture) {
    struct Case {
        std::string bytes;
        bool readable;
        uint16_t machine;
    };
    std::string truncated = peHeader(0x80, machineAmd64).substr(0, 0x80 + 5);
    std::string notMz = peHeader(0x80, machineI386);
    notMz[0] = 'Z';
    const Case cases[] = {
        {peHeader(0x80, machineI386), true, machineI386},
        {peHeader(0x100, machineAmd64), true, machineAmd64},
        {peHeader(0x40, 0x01C4), true, 0x01C4}, // another machine is still read
        {truncated, false, 0},                  // the header runs past the bytes
        {notMz, false, 0},
        {peHeader(0x80, machineI386, "NE"), false, 0},
        {std::string("MZ"), false, 0},
        {peHeader(0x80, machineI386).substr(0, 0x3E), false, 0}, // offset field cut
    };
    for (const Case& c : cases) {
        uint16_t machine = 0;
        bool readable = peMachine(reinterpret_cast<const unsigned char*>(c.bytes.data()),
                                  c.bytes.size(), &machine);
        EXPECT_EQ(c.readable, readable) << c.bytes.size();
        if (c.readable) {
            EXPECT_EQ(c.machine, machine);
        }
    }
    // A header offset far beyond the bytes read.
    std::string far = peHeader(0x80, machineI386);
    far[0x3F] = '\x7F';
    uint16_t machine = 0;
    EXPECT_FALSE(
        peMachine(reinterpret_cast<const unsigned char*>(far.data()), far.size(), &machine));
    EXPECT_STREQ("32-bit (i386)", machineName(machineI386));
    EXPECT_STREQ("64-bit (x86-64)", machineName(machineAmd64));
}

TEST(DriverList, NamesTheSetupLibraryAsDriverAndSetup) {
    DriverList list;
    char message[messageCapacity];
    ASSERT_TRUE(buildDriverList("Informix ODBC Driver", "qzifx06s.dll", nullptr, &list, message));
    EXPECT_EQ(std::string(list.bytes, list.length),
              "Informix ODBC Driver\0Driver=qzifx06s.dll\0Setup=qzifx06s.dll\0\0"s);
    ASSERT_TRUE(buildDriverList("D", "s", "C:\\help", &list, message));
    EXPECT_EQ(std::string(list.bytes, list.length),
              "D\0Driver=s\0Setup=s\0HelpRootDirectory=C:\\help\0\0"s);
}

TEST(DriverList, RefusesWhatWouldNotFit) {
    DriverList list;
    char message[messageCapacity];
    // "D\0" + "Driver=" p "\0" + "Setup=" p "\0" + final NUL.
    size_t room = maxDriverListBytes - 2 - 8 - 7 - 1;
    std::string path(room / 2, 'p');
    std::string helpRoot(1, 'h');
    EXPECT_TRUE(buildDriverList("D", path.c_str(), nullptr, &list, message));
    EXPECT_EQ(list.length, maxDriverListBytes - room % 2);
    path += "p";
    EXPECT_FALSE(buildDriverList("D", path.c_str(), nullptr, &list, message));
    EXPECT_FALSE(
        buildDriverList("D", "s", std::string(maxDriverListBytes, 'h').c_str(), &list, message));
}

} // namespace
