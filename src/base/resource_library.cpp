#include "base/resource_library.h"
#include "base/per_thread.h"
#include "base/multibyte_text.h"
#include "base/file_path.h"

PlatModule resourceLibrary = nullptr;
int32_t resourceLibraryUses = 0;
int32_t characterMode = -1;

namespace {
enum { maxPath = 260, narrowStringBytes = 1536 };
const char resourceSuffix[] = "R.DLL";

// Requests on two threads share the resource library: its handle and use
// count change together, so that a release on one thread cannot free the
// library, or clear its handle, under a use just taken on the other.
RvCriticalSection resourceLibraryLock;

int loadResourceLibraryLocked(PlatModule module, int replaceLastCharacter, PlatModule* library,
                              int32_t* uses) {
    char path[maxPath + 1];
    unsigned length = platModuleFileName(module, path, sizeof path);
    if (length == 0)
        return 1;
    const char* fileName = pathFileName(path);
    if (fileName == path || (fileName[-1] != '\\' && fileName[-1] != '/'))
        return 1;
    if (*uses != 0) {
        ++*uses;
        return 0;
    }
    *library = nullptr;

    // Directory and file name; the name gets room for the longer suffix.
    uint32_t directoryLength = static_cast<uint32_t>(fileName - 1 - path);
    char name[maxPath + sizeof resourceSuffix];
    copyTruncated(name, sizeof name, fileName);
    uint32_t nameLength = static_cast<uint32_t>(textLength(name));

    // The first character of the name is never taken for the dot.
    uint32_t dot = 0;
    for (uint32_t i = nameLength; i-- > 1;) {
        if (name[i] == '.') {
            dot = i;
            break;
        }
    }
    if (dot == 0)
        return 1;
    copyTextEnd(name + (replaceLastCharacter ? dot - 1 : dot), resourceSuffix);

    char full[maxPath + 1 + sizeof name];
    joinPath(full, sizeof full, path, directoryLength, name);

    PlatModule loaded = platLoadLibrary(full);
    if (!loaded)
        loaded = platLoadLibrary(name);
    if (!loaded)
        return 1;
    *library = loaded;
    ++*uses;
    return 0;
}
} // namespace

int loadResourceLibrary(PlatModule module, int replaceLastCharacter, PlatModule* library,
                        int32_t* uses) {
    resourceLibraryLock.enter();
    int result = loadResourceLibraryLocked(module, replaceLastCharacter, library, uses);
    resourceLibraryLock.leave();
    return result;
}

int releaseResourceLibrary(PlatModule* library, int32_t* uses) {
    resourceLibraryLock.enter();
    if (*library && (*uses)-- == 1) {
        platFreeLibrary(*library);
        *library = nullptr;
    }
    resourceLibraryLock.leave();
    return 0;
}

int characterModeForVersion(int queryFailed, unsigned major, unsigned minor) {
    if (queryFailed)
        return 1;
    return major == 4 && (minor == 0 || minor == 10 || minor == 90) ? 1 : 0;
}

int isNarrowCharacterSystem() {
    if (characterMode == -1) {
        unsigned major = 0, minor = 0;
        int failed = platVersion(&major, &minor);
        characterMode = characterModeForVersion(failed, major, minor);
    }
    return characterMode;
}

int loadResourceStringW(PlatModule instance, unsigned id, char16_t* buffer, int capacity) {
    if (capacity <= 0)
        return 0;
    buffer[0] = 0;
    // The platform reads a null module as the host program, whose strings
    // are not ours: without a resource library every string is missing.
    if (!instance)
        return 0;
    if (isNarrowCharacterSystem()) {
        char narrow[narrowStringBytes];
        int n = platLoadStringA(instance, id, narrow, sizeof narrow);
        if (n <= 0)
            return 0;
        // Converted whole, then cut to the caller's room as the wide load
        // cuts it; a direct conversion into a short buffer yields nothing.
        char16_t wide[narrowStringBytes];
        int units = platAnsiToWide(narrow, n, wide, narrowStringBytes);
        if (units > capacity - 1)
            units = capacity - 1;
        copyBytes(buffer, wide, static_cast<size_t>(units) * sizeof *wide);
        buffer[units] = 0;
        return units;
    }
    int n = platLoadStringW(instance, id, buffer, capacity);
    if (n <= 0) {
        buffer[0] = 0;
        return 0;
    }
    return n;
}

int loadResourceString(char16_t* buffer, unsigned id) {
    return loadResourceStringW(resourceLibrary, id, buffer, resourceStringCapacity);
}

int loadResourceStringA(char* buffer, unsigned id) {
    buffer[0] = 0;
    if (!resourceLibrary)
        return 0;
    int n = platLoadStringA(resourceLibrary, id, buffer, resourceStringCapacity);
    if (n <= 0) {
        buffer[0] = 0;
        return 0;
    }
    return n;
}

PlatModule loadLibraryByName(const char* name) {
    return platLoadLibrary(name);
}
