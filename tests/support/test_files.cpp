#include "test_files.h"
#include <filesystem>
#include <fstream>
#include <system_error>
#ifdef _WIN32
#include <windows.h>
#else
#include <ctime>
#include <unistd.h>
#include <utime.h>
#endif

namespace fs = std::filesystem;

namespace {
unsigned long processId() {
#ifdef _WIN32
    return GetCurrentProcessId();
#else
    return static_cast<unsigned long>(getpid());
#endif
}
} // namespace

ScratchDirectory::ScratchDirectory(const char* tag) {
    std::error_code error;
    static int serial = 0;
    fs::path dir = fs::temp_directory_path(error) /
                   (std::string("rv-") + tag + "-" + std::to_string(processId()) + "-" +
                    std::to_string(++serial));
    fs::remove_all(dir, error);
    fs::create_directories(dir, error);
    root = dir.string();
}

ScratchDirectory::~ScratchDirectory() {
    std::error_code error;
    fs::remove_all(root, error);
}

std::string ScratchDirectory::file(const std::string& name) const {
    return (fs::path(root) / name).string();
}

bool writeScratchFile(const std::string& path, unsigned size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (unsigned i = 0; i < size && out; ++i)
        out.put(static_cast<char>(i));
    return static_cast<bool>(out);
}

bool setFileWriteTimeUtc(const std::string& path, int year, int month, int day, int hour,
                         int minute, int second) {
#ifdef _WIN32
    SYSTEMTIME utc = {};
    utc.wYear = static_cast<WORD>(year);
    utc.wMonth = static_cast<WORD>(month);
    utc.wDay = static_cast<WORD>(day);
    utc.wHour = static_cast<WORD>(hour);
    utc.wMinute = static_cast<WORD>(minute);
    utc.wSecond = static_cast<WORD>(second);
    FILETIME when;
    if (!SystemTimeToFileTime(&utc, &when))
        return false;
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    BOOL done = SetFileTime(file, nullptr, nullptr, &when);
    CloseHandle(file);
    return done != FALSE;
#else
    struct tm utc = {};
    utc.tm_year = year - 1900;
    utc.tm_mon = month - 1;
    utc.tm_mday = day;
    utc.tm_hour = hour;
    utc.tm_min = minute;
    utc.tm_sec = second;
    struct utimbuf times;
    times.actime = times.modtime = timegm(&utc);
    return utime(path.c_str(), &times) == 0;
#endif
}
