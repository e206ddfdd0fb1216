#include "test_support.h"
#include "base/platform.h"
#include <cstdlib>
#include <cstring>

unsigned expectedCodePage() {
    const char* env = std::getenv("RV_EXPECT_ACP");
    return env ? static_cast<unsigned>(std::atoi(env)) : 1252;
}

bool expectIcuData() {
    const char* env = std::getenv("RV_EXPECT_ICU_DATA");
    return env && std::strcmp(env, "1") == 0;
}

std::string messageOf(RvError* record) {
    const char* text = record->messageText();
    return text ? text : "";
}

std::string narrow(const char16_t* units, uint32_t n) {
    std::string out;
    for (uint32_t i = 0; i < n; ++i)
        out += units[i] < 0x80 ? static_cast<char>(units[i]) : '?';
    return out;
}

std::string narrow(const char16_t* units) {
    uint32_t n = 0;
    while (units && units[n])
        ++n;
    return narrow(units, n);
}

std::string attrs(std::initializer_list<std::string> entries) {
    std::string s;
    for (const std::string& e : entries) {
        s += e;
        s += '\0';
    }
    s += '\0';
    return s;
}
