// POSIX stand-in for the platform seam, used by the Linux build (sanitizers,
// fuzzing, the unixODBC setup library). It knows the two ANSI code pages
// the tests need, 1252 and 932 (Shift-JIS), through iconv; the code page
// comes from RV_ANSI_CODE_PAGE or platSetAnsiCodePage.
#include "base/platform.h"
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dlfcn.h>
#include <fcntl.h>
#include <glob.h>
#include <iconv.h>
#include <link.h>
#include <pthread.h>
#include <sys/types.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

static_assert(sizeof(pthread_mutex_t) <= sizeof(PlatLock::storage), "lock storage");

namespace {
unsigned chosenCodePage = 0;

const char* iconvName(unsigned codePage) {
    return codePage == 932 ? "CP932" : "CP1252";
}

// Converts with iconv; on an invalid sequence in the input the conversion
// gives up (returns false), on a character the target cannot hold it writes
// substitute and goes on.
bool convert(const char* to, const char* from, const char* in, size_t inBytes, char* out,
             size_t outBytes, size_t* written, const char* substitute, size_t unitBytes) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    char* src = const_cast<char*>(in);
    char* dst = out;
    size_t left = outBytes;
    bool ok = true;
    while (inBytes > 0) {
        if (iconv(cd, &src, &inBytes, &dst, &left) != static_cast<size_t>(-1))
            break;
        if (errno == EILSEQ && substitute) {
            size_t n = std::strlen(substitute);
            if (left < n) {
                ok = false;
                break;
            }
            std::memcpy(dst, substitute, n);
            dst += n;
            left -= n;
            size_t skip = unitBytes;
            // A high surrogate takes its low surrogate with it.
            if (unitBytes == 2 && inBytes >= 4) {
                unsigned unit =
                    static_cast<unsigned char>(src[0]) | static_cast<unsigned char>(src[1]) << 8;
                if (unit >= 0xD800 && unit <= 0xDBFF)
                    skip = 4;
            }
            skip = skip > inBytes ? inBytes : skip;
            src += skip;
            inBytes -= skip;
            continue;
        }
        ok = false;
        break;
    }
    iconv_close(cd);
    *written = static_cast<size_t>(dst - out);
    return ok;
}
} // namespace

unsigned platAnsiCodePage() {
    if (!chosenCodePage) {
        const char* env = std::getenv("RV_ANSI_CODE_PAGE");
        chosenCodePage = env && std::strcmp(env, "932") == 0 ? 932 : 1252;
    }
    return chosenCodePage;
}

void platSetAnsiCodePage(unsigned codePage) {
    chosenCodePage = codePage == 932 ? 932 : 1252;
}

int platIsLeadByte(unsigned char byte) {
    if (platAnsiCodePage() != 932)
        return 0;
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

int platIsDoubleByteChar(const char* p) {
    if (!platIsLeadByte(static_cast<unsigned char>(p[0])))
        return 0;
    char unit[4];
    size_t written = 0;
    return convert("UTF-16LE", iconvName(platAnsiCodePage()), p, 2, unit, sizeof unit, &written,
                   nullptr, 1) &&
                   written == 2
               ? 1
               : 0;
}

// CharNextA: a lead byte followed by a 0 is a character of its own.
static const char* charNext(const char* p) {
    if (!*p)
        return p;
    if (platIsLeadByte(static_cast<unsigned char>(*p)) && p[1])
        return p + 2;
    return p + 1;
}

const char* platCharPrev(const char* start, const char* p) {
    while (start < p) {
        const char* next = charNext(start);
        if (next >= p)
            break;
        start = next;
    }
    return start;
}

// The stand-in classifies as the C runtime's "C" locale does: ASCII only,
// whatever locale the host process has set.
int platCharClass(unsigned char byte) {
    int classes = 0;
    if (byte == ' ' || (byte >= '\t' && byte <= '\r'))
        classes |= platCharSpace;
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z'))
        classes |= platCharAlpha;
    if (byte >= '0' && byte <= '9')
        classes |= platCharDigit;
    if (byte < 0x20 || byte == 0x7F)
        classes |= platCharControl;
    return classes;
}

unsigned char platCharUpper(unsigned char byte) {
    if (byte >= 'a' && byte <= 'z')
        return byte - 0x20;
    if (platAnsiCodePage() != 1252)
        return byte;
    switch (byte) {
    case 0x9A:
    case 0x9C:
    case 0x9E:
        return byte - 0x10;
    case 0xFF:
        return 0x9F;
    case 0xF7:
        return byte;
    default:
        return byte >= 0xE0 ? byte - 0x20 : byte;
    }
}

int platAnsiToWide(const char* bytes, int n, char16_t* out, int capacity) {
    if (n < 0)
        n = static_cast<int>(std::strlen(bytes)) + 1;
    if (n == 0 || capacity <= 0)
        return 0;
    size_t written = 0;
    if (!convert("UTF-16LE", iconvName(platAnsiCodePage()), bytes, static_cast<size_t>(n),
                 reinterpret_cast<char*>(out), static_cast<size_t>(capacity) * 2, &written, nullptr,
                 1))
        return 0;
    return static_cast<int>(written / 2);
}

int platWideToAnsi(const char16_t* units, int n, char* out, int capacity) {
    if (n < 0) {
        n = 0;
        while (units[n])
            ++n;
        ++n;
    }
    if (n == 0 || capacity <= 0)
        return 0;
    size_t written = 0;
    if (!convert(iconvName(platAnsiCodePage()), "UTF-16LE", reinterpret_cast<const char*>(units),
                 static_cast<size_t>(n) * 2, out, static_cast<size_t>(capacity), &written, "?", 2))
        return 0;
    return static_cast<int>(written);
}

uint32_t platCurrentThreadId() {
    return static_cast<uint32_t>(syscall(SYS_gettid));
}

static pthread_mutex_t* mutex(PlatLock* lock) {
    return reinterpret_cast<pthread_mutex_t*>(lock->storage);
}

void platLockInit(PlatLock* lock) {
    // Critical sections may be entered again by the thread that holds them.
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(mutex(lock), &attr);
    pthread_mutexattr_destroy(&attr);
}
void platLockDelete(PlatLock* lock) {
    pthread_mutex_destroy(mutex(lock));
}
void platLockEnter(PlatLock* lock) {
    pthread_mutex_lock(mutex(lock));
}
void platLockLeave(PlatLock* lock) {
    pthread_mutex_unlock(mutex(lock));
}

namespace {
// Libraries that the host has no file for: each answers LoadString from a
// string table its registrant handed in. The slot's address is the module
// handle.
struct BuiltInLibrary {
    const char* nameEnding;
    const PlatStringEntry* strings;
    unsigned count;
};
enum { builtInCapacity = 4, aliasCapacity = 4 };
BuiltInLibrary builtIns[builtInCapacity];
struct LibraryAlias {
    const char* name;
    const char* hostName;
};
LibraryAlias aliases[aliasCapacity];

const BuiltInLibrary* builtInOf(PlatModule module) {
    for (const BuiltInLibrary& library : builtIns)
        if (module == &library && library.nameEnding)
            return &library;
    return nullptr;
}

const char* findString(PlatModule module, unsigned id) {
    const BuiltInLibrary* library = builtInOf(module);
    if (!library)
        return nullptr;
    for (unsigned i = 0; i < library->count; ++i)
        if (library->strings[i].id == id)
            return library->strings[i].text;
    return nullptr;
}

bool endsWithAnyCase(const char* name, const char* ending) {
    size_t n = std::strlen(name), m = std::strlen(ending);
    return n >= m && strcasecmp(name + n - m, ending) == 0;
}

PlatModule builtInNamed(const char* name) {
    for (BuiltInLibrary& library : builtIns)
        if (library.nameEnding && endsWithAnyCase(name, library.nameEnding))
            return &library;
    return nullptr;
}

const char* hostNameOf(const char* name) {
    for (const LibraryAlias& alias : aliases)
        if (alias.name && strcasecmp(name, alias.name) == 0)
            return alias.hostName;
    return name;
}
} // namespace

int platAddBuiltInLibrary(const char* nameEnding, const PlatStringEntry* strings, unsigned count) {
    for (BuiltInLibrary& library : builtIns) {
        if (!library.nameEnding || strcasecmp(library.nameEnding, nameEnding) == 0) {
            library = {nameEnding, strings, count};
            return 0;
        }
    }
    return 1;
}

int platAddLibraryAlias(const char* name, const char* hostName) {
    for (LibraryAlias& alias : aliases) {
        if (!alias.name || strcasecmp(alias.name, name) == 0) {
            alias = {name, hostName};
            return 0;
        }
    }
    return 1;
}

unsigned platModuleFileName(PlatModule module, char* out, unsigned capacity) {
    const char* path = nullptr;
    char exe[4096];
    if (!module) {
        ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
        if (n <= 0)
            return 0;
        exe[n] = 0;
        path = exe;
    } else {
        struct link_map* map = nullptr;
        if (dlinfo(module, RTLD_DI_LINKMAP, &map) != 0 || !map)
            return 0;
        path = map->l_name;
    }
    size_t n = std::strlen(path);
    if (n + 1 > capacity)
        return 0;
    // Module file names are reported the way the library splits them, with
    // backslashes between directories; platLoadLibrary takes them back.
    for (size_t i = 0; i <= n; ++i)
        out[i] = path[i] == '/' ? '\\' : path[i];
    return static_cast<unsigned>(n);
}

PlatModule platLoadLibrary(const char* name) {
    if (PlatModule builtIn = builtInNamed(name))
        return builtIn;
    name = hostNameOf(name);
    char path[4096];
    size_t n = std::strlen(name);
    if (n >= sizeof path)
        return nullptr;
    for (size_t i = 0; i <= n; ++i)
        path[i] = name[i] == '\\' ? '/' : name[i];
    return dlopen(path, RTLD_NOW | RTLD_LOCAL);
}

void* platProcAddress(PlatModule module, const char* name) {
    if (!module || builtInOf(module))
        return nullptr;
    return dlsym(module, name);
}

void platFreeLibrary(PlatModule module) {
    if (module && !builtInOf(module))
        dlclose(module);
}

int platLoadStringA(PlatModule module, unsigned id, char* out, int capacity) {
    const char* text = findString(module, id);
    if (!text || capacity <= 0)
        return 0;
    int n = 0;
    while (text[n] && n < capacity - 1) {
        out[n] = text[n];
        ++n;
    }
    out[n] = 0;
    return n;
}

int platLoadStringW(PlatModule module, unsigned id, char16_t* out, int capacity) {
    const char* text = findString(module, id);
    if (!text || capacity <= 0)
        return 0;
    // The table's texts are ASCII.
    int n = 0;
    while (text[n] && n < capacity - 1) {
        out[n] = static_cast<unsigned char>(text[n]);
        ++n;
    }
    out[n] = 0;
    return n;
}

int platVersion(unsigned* major, unsigned* minor) {
    *major = 10;
    *minor = 0;
    return 0;
}

int platFindFirstFile(const char* path, uint32_t* size, PlatFileTime* lastWrite) {
    glob_t found;
    if (glob(path, 0, nullptr, &found) != 0)
        return 1;
    struct stat info;
    int result = 1;
    if (found.gl_pathc > 0 && stat(found.gl_pathv[0], &info) == 0) {
        struct tm utc;
        // A time whose year the calendar cannot count has no date.
        bool dated = gmtime_r(&info.st_mtime, &utc) != nullptr;
        *size = static_cast<uint32_t>(info.st_size);
        *lastWrite = dated ? PlatFileTime{utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday,
                                          utc.tm_hour,        utc.tm_min,     utc.tm_sec}
                           : PlatFileTime{};
        result = 0;
    }
    globfree(&found);
    return result;
}

// A Linux host has no registry: every key is missing.
int platRegOpenKey(PlatKey, const char*, PlatRegKey*) {
    return platRegMissing;
}
void platRegCloseKey(PlatRegKey) {}
int platRegQueryValue(PlatRegKey, const char*, char*, uint32_t*) {
    return platRegMissing;
}
int platRegQueryText(PlatRegKey, const char*, char*, uint32_t*) {
    return platRegMissing;
}
int platRegEnumValue(PlatRegKey, uint32_t, char*, uint32_t, uint32_t*, uint32_t*) {
    return platRegMissing;
}
int platRegEnumKey(PlatRegKey, uint32_t, char*, uint32_t, uint32_t*) {
    return platRegMissing;
}

// Nor Windows profile files: every read yields the default, cut to fit as
// GetPrivateProfileStringA would.
uint32_t platGetPrivateProfileString(const char*, const char*, const char* defaultValue,
                                     char* buffer, uint32_t size, const char*) {
    if (size == 0)
        return 0;
    uint32_t n = 0;
    while (defaultValue && defaultValue[n] && n < size - 1) {
        buffer[n] = defaultValue[n];
        ++n;
    }
    buffer[n] = 0;
    return n;
}

// A Linux host has no system directory of Windows libraries: the installer
// is found by the library search alone.
unsigned platSystemDirectory(char*, unsigned) {
    return 0;
}

int platExistingFileSize(const char* path, uint32_t* size) {
    struct stat info;
    if (stat(path, &info) != 0)
        return 1;
    *size = static_cast<uint32_t>(info.st_size);
    return 0;
}

int platMoveFileReplacing(const char* from, const char* to) {
    return std::rename(from, to) == 0 ? 0 : 1;
}

// Without a desktop the message goes to the standard error stream, and the
// user is taken to have pressed OK.
void* platDesktopWindow() {
    return nullptr;
}

int platMessageBox(void*, const char* text, const char* caption, unsigned) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
    return 1; // IDOK
}

unsigned platTempPath(char* out, unsigned capacity) {
    const char* dir = std::getenv("TMPDIR");
    if (!dir || !*dir)
        dir = "/tmp";
    size_t n = std::strlen(dir);
    bool slash = dir[n - 1] == '/';
    size_t total = n + (slash ? 0 : 1);
    if (total >= capacity)
        return 0;
    std::memcpy(out, dir, n);
    if (!slash)
        out[n] = '/';
    out[total] = 0;
    return static_cast<unsigned>(total);
}

int platDirectoryExists(const char* path) {
    struct stat info;
    return stat(path, &info) == 0 && S_ISDIR(info.st_mode) ? 0 : 1;
}

int platCreateDirectory(const char* path) {
    return mkdir(path, 0777) == 0 ? 0 : 1;
}

// Names as GetTempFileNameA forms them, the number taken from the clock and
// counted on past names already in use.
int platTempFileName(const char* dir, const char* prefix, char* out) {
    size_t dirLength = std::strlen(dir);
    bool slash = dirLength > 0 && dir[dirLength - 1] == '/';
    char head[4] = {};
    for (int i = 0; i < 3 && prefix[i]; ++i)
        head[i] = prefix[i];
    unsigned start = static_cast<unsigned>(std::time(nullptr)) & 0xFFFF;
    for (unsigned i = 0; i < 0x10000; ++i) {
        unsigned number = (start + i) & 0xFFFF;
        if (number == 0)
            continue;
        int n = std::snprintf(out, platTempNameCapacity, "%s%s%s%X.tmp", dir, slash ? "" : "/",
                              head, number);
        if (n < 0 || n >= platTempNameCapacity)
            return 1;
        int fd = open(out, O_WRONLY | O_CREAT | O_EXCL, 0600);
        if (fd >= 0) {
            close(fd);
            return 0;
        }
        if (errno != EEXIST)
            return 1;
    }
    return 1;
}

PlatFile platCreateNewFile(const char* path) {
    // O_EXCL: an existing name, a symbolic link included, is not opened.
    int fd = open(path, O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0)
        return nullptr;
    FILE* file = fdopen(fd, "wb");
    if (!file)
        close(fd);
    return file;
}

int platDeleteFile(const char* path) {
    return unlink(path) == 0 ? 0 : 1;
}

int platWriteFile(PlatFile file, const void* data, uint32_t n) {
    return std::fwrite(data, 1, n, static_cast<FILE*>(file)) == n ? 0 : 1;
}

int platCloseFile(PlatFile file) {
    return std::fclose(static_cast<FILE*>(file)) == 0 ? 0 : 1;
}

// A Linux host has no Windows programs and no file associations to name
// one: no process is started.
int platStartDetachedProcess(char*) {
    return 1;
}

// Nor DDE servers: the client instance exists, but no conversation with it
// ever connects.
uint32_t platDdeStartClient() {
    return 1;
}
void platDdeStopClient(uint32_t) {}
int platDdeConnect(uint32_t instance, const char*, const char*, PlatDdeConversation* out) {
    *out = PlatDdeConversation{instance, nullptr, nullptr, nullptr};
    return 1;
}
void platDdeDisconnect(PlatDdeConversation* conversation) {
    conversation->conversation = nullptr;
}
int platDdeRequest(PlatDdeConversation*, const char*, uint32_t, void*, uint32_t, uint32_t* size) {
    *size = 0;
    return 1;
}
