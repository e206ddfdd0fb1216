// Scratch files for tests that look at the file system.
#pragma once
#include <string>

// A new, empty directory under the platform's temporary directory, named
// after tag, the process (test programs may run side by side) and a count
// of the process's scratch directories (one test may hold two with one
// tag). Removed with everything in it when the object goes away.
class ScratchDirectory {
public:
    explicit ScratchDirectory(const char* tag);
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::string& path() const { return root; }
    // Path of name inside the directory.
    std::string file(const std::string& name) const;

private:
    std::string root;
};

// Writes size bytes to path, replacing the file; true on success.
bool writeScratchFile(const std::string& path, unsigned size);

// Sets the last-write time of path, given in UTC, through the platform's
// own call (SetFileTime on Windows, utime elsewhere); true on success.
bool setFileWriteTimeUtc(const std::string& path, int year, int month, int day, int hour,
                         int minute, int second);
