// The one seam between the support code and the platform. On Windows each
// function is the Win32 call named beside it; the POSIX build supplies a
// small stand-in whose ANSI code page (1252 or 932) a test can choose.
#pragma once
#include <cstddef>
#include <cstdint>

// GetACP
unsigned platAnsiCodePage();
// IsDBCSLeadByte in the ANSI code page
int platIsLeadByte(unsigned char byte);
// CharPrevA: start of the character before p, never before start
const char* platCharPrev(const char* start, const char* p);
// Whether the two bytes at p are one character of the ANSI code page: a
// lead byte and a byte that the code page takes as its trail byte
// (MultiByteToWideChar with MB_ERR_INVALID_CHARS accepts the pair)
int platIsDoubleByteChar(const char* p);
// CharUpperA of one character in the user's locale
unsigned char platCharUpper(unsigned char byte);
// MultiByteToWideChar(GetACP(), 0, ...): units written, 0 on failure
int platAnsiToWide(const char* bytes, int n, char16_t* out, int capacity);
// WideCharToMultiByte(GetACP(), 0, ..., no default character): bytes
// written, 0 on failure
int platWideToAnsi(const char16_t* units, int n, char* out, int capacity);

// Character classes of one byte in the ANSI code page, as the C runtime's
// isspace, isalpha, isdigit and iscntrl answer with its character types
// set to that code page. The library never sets the runtime's locale: it
// shares that with the host process. A lead byte has no class of its own.
enum : int { platCharSpace = 1, platCharAlpha = 2, platCharDigit = 4, platCharControl = 8 };
int platCharClass(unsigned char byte);

// GetCurrentThreadId
uint32_t platCurrentThreadId();

// CRITICAL_SECTION. The storage is large enough for the platform's section
// on every target; platLockInit must run before the first enter.
struct PlatLock {
    alignas(8) unsigned char storage[64];
};
void platLockInit(PlatLock* lock);
void platLockDelete(PlatLock* lock);
void platLockEnter(PlatLock* lock);
void platLockLeave(PlatLock* lock);

// Calling convention of the Win32 and ODBC installer entry points; the
// POSIX build has only one.
#if defined(_WIN32) && !defined(_WIN64)
#define PLAT_STDCALL __stdcall
#else
#define PLAT_STDCALL
#endif

// Marks the setup library's entry points for export. The Windows DLL names
// them in its .def file; a POSIX shared library builds everything else with
// hidden visibility.
#if defined(_WIN32)
#define PLAT_EXPORT
#else
#define PLAT_EXPORT __attribute__((visibility("default")))
#endif

// Module handles (HMODULE).
typedef void* PlatModule;
// GetModuleFileNameA: length of the name, 0 on failure or when it would
// not fit in capacity bytes with its terminator.
unsigned platModuleFileName(PlatModule module, char* out, unsigned capacity);
PlatModule platLoadLibrary(const char* name);
void platFreeLibrary(PlatModule module);
// GetProcAddress: the address of an exported function, null when module is
// null or has no such export.
void* platProcAddress(PlatModule module, const char* name);
// LoadStringA / LoadStringW: characters stored, 0 when the string is missing.
int platLoadStringA(PlatModule module, unsigned id, char* out, int capacity);
int platLoadStringW(PlatModule module, unsigned id, char16_t* out, int capacity);
// GetVersionExA: 0 on success with major and minor set, 1 when the query fails.
int platVersion(unsigned* major, unsigned* minor);

// FindFirstFileA on path (wildcards allowed): 0 and the first match's size
// (low 32 bits) and last-write time in UTC, or 1 when nothing matches. A
// time that no date can hold (FileTimeToSystemTime refuses it) comes back
// with every field 0.
struct PlatFileTime {
    int year, month, day, hour, minute, second;
};
int platFindFirstFile(const char* path, uint32_t* size, PlatFileTime* lastWrite);

// The registry, read only. Roots are the two predefined keys the ODBC
// profiles live under and the merged view of file classes. Results: 0 success, 1 not found (no such
// key or value, no entry at that index, any other failure), 2 found but larger than the room given.
enum PlatKey { platKeyCurrentUser = 1, platKeyLocalMachine = 2, platKeyClassesRoot = 3 };
enum { platRegOk = 0, platRegMissing = 1, platRegTooLarge = 2 };
typedef void* PlatRegKey;
// RegOpenKeyExA(root, path, 0, KEY_READ).
int platRegOpenKey(PlatKey root, const char* path, PlatRegKey* key);
void platRegCloseKey(PlatRegKey key);
// RegQueryValueExA of the named value, whatever its type: *size is the
// room in data on entry and the bytes stored on success.
int platRegQueryValue(PlatRegKey key, const char* name, char* data, uint32_t* size);
// As platRegQueryValue, for a text value only (REG_SZ or REG_EXPAND_SZ): a
// value of any other type counts as missing.
int platRegQueryText(PlatRegKey key, const char* name, char* data, uint32_t* size);
// RegEnumValueA at index: the value's name into name (nameCapacity bytes,
// terminator included), its length in *nameLength and the byte length of
// its data in *dataLength; the data itself is not read.
int platRegEnumValue(PlatRegKey key, uint32_t index, char* name, uint32_t nameCapacity,
                     uint32_t* nameLength, uint32_t* dataLength);
// RegEnumKeyExA at index: the sub-key's name, as for platRegEnumValue.
int platRegEnumKey(PlatRegKey key, uint32_t index, char* name, uint32_t nameCapacity,
                   uint32_t* nameLength);

// GetPrivateProfileStringA: bytes stored in buffer, terminator excluded.
uint32_t platGetPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                                     char* buffer, uint32_t size, const char* file);

// GetSystemDirectoryA: length of the directory name, 0 on failure or when
// it would not fit in capacity bytes with its terminator.
unsigned platSystemDirectory(char* out, unsigned capacity);
// Opens an existing file for reading (sharing read and write) and takes its
// size: 0 with *size set, 1 when the file does not exist or its size is
// unknown.
int platExistingFileSize(const char* path, uint32_t* size);
// MoveFileExA with MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED: 0 when
// moved.
int platMoveFileReplacing(const char* from, const char* to);
// MessageBoxA. The style and result values are the Win32 ones.
enum : unsigned {
    platBoxOk = 0x0,
    platBoxOkCancel = 0x1,
    platBoxIconStop = 0x10,
    platBoxIconWarning = 0x30,
    platBoxIconInformation = 0x40,
    platBoxTaskModal = 0x2000,
};
int platMessageBox(void* owner, const char* text, const char* caption, unsigned style);
// GetDesktopWindow; null where there is no desktop.
void* platDesktopWindow();

// GetTempPathA: length of the path (with its final separator), 0 on failure
// or when it would not fit in capacity bytes with its terminator.
unsigned platTempPath(char* out, unsigned capacity);
// 0 when path names an existing directory.
int platDirectoryExists(const char* path);
// CreateDirectoryA: 0 when created.
int platCreateDirectory(const char* path);
// GetTempFileNameA(dir, prefix, 0, out): creates a new empty file of a
// unique name (the first three characters of prefix, four hexadecimal
// digits, ".tmp") in dir and stores its path in out, which holds at least
// platTempNameCapacity bytes. 0 on success.
enum { platTempNameCapacity = 260 };
int platTempFileName(const char* dir, const char* prefix, char* out);

// A new file for writing: CreateFileA(path, GENERIC_WRITE, no sharing,
// CREATE_NEW, FILE_ATTRIBUTE_NORMAL). Null on failure, and whenever
// anything exists at path already (a file, a directory, a link): nothing
// is opened through an existing name.
typedef void* PlatFile;
PlatFile platCreateNewFile(const char* path);
// DeleteFileA: 0 when deleted. A link is deleted itself, not its target.
int platDeleteFile(const char* path);
// WriteFile: 0 when all n bytes were written.
int platWriteFile(PlatFile file, const void* data, uint32_t n);
// CloseHandle: 0 when closed cleanly.
int platCloseFile(PlatFile file);

// CreateProcessA(null, commandLine, ..., DETACHED_PROCESS, ...) with the
// caller's environment and folder; the handles are closed at once and the
// process is not waited for. 0 when the process was created.
int platStartDetachedProcess(char* commandLine);

// DdeInitializeA as a client only, every transaction answered with 0: the
// instance, or 0 when none could be started.
uint32_t platDdeStartClient();
// DdeUninitialize.
void platDdeStopClient(uint32_t instance);
// A client conversation and the string handles (CP_WINANSI) it was made
// from; storage of the caller's, so no allocation is needed.
struct PlatDdeConversation {
    uint32_t instance;
    void* conversation;
    void* service;
    void* topic;
};
// DdeCreateStringHandleA for service and topic, then DdeConnect: 0 when
// connected; on failure nothing is left to free.
int platDdeConnect(uint32_t instance, const char* service, const char* topic,
                   PlatDdeConversation* out);
// DdeDisconnect, then the service and topic handles freed.
void platDdeDisconnect(PlatDdeConversation* conversation);
// TIMEOUT_ASYNC: the request is sent and its answer never waited for.
const uint32_t platDdeTimeoutAsync = 0xFFFFFFFFu;
// DdeClientTransaction(XTYP_REQUEST, CF_TEXT) for item, waiting at most
// timeout ms. 0 when an asynchronous request was accepted or data came
// back; then *size is the data's length and its first capacity bytes are
// in out (nothing for an asynchronous request). The item and data handles
// are freed. 1 otherwise.
int platDdeRequest(PlatDdeConversation* conversation, const char* item, uint32_t timeout, void* out,
                   uint32_t capacity, uint32_t* size);

// What the POSIX stand-in is told of the files it has no copy of. A
// library whose name ends with nameEnding (letter case ignored) loads as a
// module that holds nothing but strings (count entries, ASCII texts, kept
// by the caller for the life of the process); a library named name loads
// the host's hostName instead. Each call replaces an earlier one for the
// same name; 1 when no room is left. Not part of the Windows build.
struct PlatStringEntry {
    unsigned id;
    const char* text;
};
int platAddBuiltInLibrary(const char* nameEnding, const PlatStringEntry* strings, unsigned count);
int platAddLibraryAlias(const char* name, const char* hostName);

// Test hook of the POSIX stand-in: the ANSI code page it reports (1252 or
// 932). The Windows build takes the code page from the process locale.
void platSetAnsiCodePage(unsigned codePage);
