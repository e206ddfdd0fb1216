// Windows side of the platform seam: each function is the Win32 call.
#include "base/platform.h"
#include <windows.h>

static_assert(sizeof(CRITICAL_SECTION) <= sizeof(PlatLock::storage), "lock storage");
static_assert(sizeof(WCHAR) == sizeof(char16_t), "UTF-16 units");

unsigned platAnsiCodePage() {
    return GetACP();
}

int platIsLeadByte(unsigned char byte) {
    return IsDBCSLeadByte(byte) ? 1 : 0;
}

// The classes of all 256 bytes, taken once from the system's character
// types: a process's ANSI code page does not change while it runs.
static unsigned char charClasses[256];
static INIT_ONCE charClassesOnce = INIT_ONCE_STATIC_INIT;

static int classesOf(WORD type) {
    return ((type & C1_SPACE) ? platCharSpace : 0) | ((type & C1_ALPHA) ? platCharAlpha : 0) |
           ((type & C1_DIGIT) ? platCharDigit : 0) | ((type & C1_CNTRL) ? platCharControl : 0);
}

static BOOL CALLBACK fillCharClasses(PINIT_ONCE, PVOID, PVOID*) {
    for (int b = 0; b < 256; ++b) {
        char byte = static_cast<char>(b);
        WCHAR unit = 0;
        WORD type = 0;
        charClasses[b] = 0;
        if (!IsDBCSLeadByte(static_cast<BYTE>(b)) &&
            MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, &byte, 1, &unit, 1) == 1 &&
            GetStringTypeW(CT_CTYPE1, &unit, 1, &type))
            charClasses[b] = static_cast<unsigned char>(classesOf(type));
    }
    return TRUE;
}

int platCharClass(unsigned char byte) {
    InitOnceExecuteOnce(&charClassesOnce, fillCharClasses, nullptr, nullptr);
    return charClasses[byte];
}

int platIsDoubleByteChar(const char* p) {
    WCHAR unit[2];
    return IsDBCSLeadByte(static_cast<BYTE>(p[0])) &&
                   MultiByteToWideChar(GetACP(), MB_ERR_INVALID_CHARS, p, 2, unit, 2) == 1
               ? 1
               : 0;
}

const char* platCharPrev(const char* start, const char* p) {
    return CharPrevA(start, p);
}

unsigned char platCharUpper(unsigned char byte) {
    // CharUpperA takes a single character in the low word of its argument.
    return static_cast<unsigned char>(reinterpret_cast<ULONG_PTR>(
        CharUpperA(reinterpret_cast<LPSTR>(static_cast<ULONG_PTR>(byte)))));
}

int platAnsiToWide(const char* bytes, int n, char16_t* out, int capacity) {
    return MultiByteToWideChar(GetACP(), 0, bytes, n, reinterpret_cast<LPWSTR>(out), capacity);
}

int platWideToAnsi(const char16_t* units, int n, char* out, int capacity) {
    return WideCharToMultiByte(GetACP(), 0, reinterpret_cast<LPCWSTR>(units), n, out, capacity,
                               nullptr, nullptr);
}

uint32_t platCurrentThreadId() {
    return GetCurrentThreadId();
}

static CRITICAL_SECTION* section(PlatLock* lock) {
    return reinterpret_cast<CRITICAL_SECTION*>(lock->storage);
}
void platLockInit(PlatLock* lock) {
    InitializeCriticalSection(section(lock));
}
void platLockDelete(PlatLock* lock) {
    DeleteCriticalSection(section(lock));
}
void platLockEnter(PlatLock* lock) {
    EnterCriticalSection(section(lock));
}
void platLockLeave(PlatLock* lock) {
    LeaveCriticalSection(section(lock));
}

unsigned platModuleFileName(PlatModule module, char* out, unsigned capacity) {
    DWORD n = GetModuleFileNameA(static_cast<HMODULE>(module), out, capacity);
    return n >= capacity ? 0 : n;
}

PlatModule platLoadLibrary(const char* name) {
    return LoadLibraryA(name);
}

void platFreeLibrary(PlatModule module) {
    FreeLibrary(static_cast<HMODULE>(module));
}

void* platProcAddress(PlatModule module, const char* name) {
    if (!module)
        return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

int platLoadStringA(PlatModule module, unsigned id, char* out, int capacity) {
    return LoadStringA(static_cast<HINSTANCE>(module), id, out, capacity);
}

int platLoadStringW(PlatModule module, unsigned id, char16_t* out, int capacity) {
    return LoadStringW(static_cast<HINSTANCE>(module), id, reinterpret_cast<LPWSTR>(out), capacity);
}

int platVersion(unsigned* major, unsigned* minor) {
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(&info))
        return 1;
#pragma GCC diagnostic pop
    *major = info.dwMajorVersion;
    *minor = info.dwMinorVersion;
    return 0;
}

int platFindFirstFile(const char* path, uint32_t* size, PlatFileTime* lastWrite) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE)
        return 1;
    SYSTEMTIME utc;
    // A time with the top bit set is past every date: it has none.
    bool dated = FileTimeToSystemTime(&found.ftLastWriteTime, &utc) != FALSE;
    FindClose(search);
    *size = found.nFileSizeLow;
    *lastWrite =
        dated ? PlatFileTime{utc.wYear, utc.wMonth, utc.wDay, utc.wHour, utc.wMinute, utc.wSecond}
              : PlatFileTime{};
    return 0;
}

static HKEY rootKey(PlatKey root) {
    if (root == platKeyClassesRoot)
        return HKEY_CLASSES_ROOT;
    return root == platKeyLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

static int regResult(LONG status) {
    if (status == ERROR_SUCCESS)
        return platRegOk;
    return status == ERROR_MORE_DATA ? platRegTooLarge : platRegMissing;
}

int platRegOpenKey(PlatKey root, const char* path, PlatRegKey* key) {
    // RegOpenKeyExA converts the path in the ANSI code page; done here, with
    // the wide call, because Wine's narrow call refuses paths of more than
    // 260 characters. A path that does not fit is no key.
    WCHAR widePath[1024];
    if (!MultiByteToWideChar(GetACP(), 0, path, -1, widePath, 1024))
        return platRegMissing;
    HKEY opened = nullptr;
    LONG status = RegOpenKeyExW(rootKey(root), widePath, 0, KEY_READ, &opened);
    if (status != ERROR_SUCCESS)
        return platRegMissing;
    *key = opened;
    return platRegOk;
}

void platRegCloseKey(PlatRegKey key) {
    RegCloseKey(static_cast<HKEY>(key));
}

int platRegQueryValue(PlatRegKey key, const char* name, char* data, uint32_t* size) {
    DWORD bytes = *size;
    LONG status = RegQueryValueExA(static_cast<HKEY>(key), name, nullptr, nullptr,
                                   reinterpret_cast<BYTE*>(data), &bytes);
    if (status == ERROR_SUCCESS)
        *size = bytes;
    return regResult(status);
}

int platRegQueryText(PlatRegKey key, const char* name, char* data, uint32_t* size) {
    DWORD type = 0, bytes = *size;
    LONG status = RegQueryValueExA(static_cast<HKEY>(key), name, nullptr, &type,
                                   reinterpret_cast<BYTE*>(data), &bytes);
    if (status == ERROR_SUCCESS && type != REG_SZ && type != REG_EXPAND_SZ)
        return platRegMissing;
    if (status == ERROR_SUCCESS)
        *size = bytes;
    return regResult(status);
}

int platRegEnumValue(PlatRegKey key, uint32_t index, char* name, uint32_t nameCapacity,
                     uint32_t* nameLength, uint32_t* dataLength) {
    DWORD chars = nameCapacity;
    DWORD bytes = 0;
    // With no data buffer the call reports only the data's size.
    LONG status = RegEnumValueA(static_cast<HKEY>(key), index, name, &chars, nullptr, nullptr,
                                nullptr, &bytes);
    if (status == ERROR_SUCCESS) {
        *nameLength = chars;
        *dataLength = bytes;
    }
    return regResult(status);
}

int platRegEnumKey(PlatRegKey key, uint32_t index, char* name, uint32_t nameCapacity,
                   uint32_t* nameLength) {
    DWORD chars = nameCapacity;
    LONG status = RegEnumKeyExA(static_cast<HKEY>(key), index, name, &chars, nullptr, nullptr,
                                nullptr, nullptr);
    if (status == ERROR_SUCCESS)
        *nameLength = chars;
    return regResult(status);
}

uint32_t platGetPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                                     char* buffer, uint32_t size, const char* file) {
    return GetPrivateProfileStringA(section, key, defaultValue, buffer, size, file);
}

unsigned platSystemDirectory(char* out, unsigned capacity) {
    UINT n = GetSystemDirectoryA(out, capacity);
    return n >= capacity ? 0 : n;
}

int platExistingFileSize(const char* path, uint32_t* size) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD low = GetFileSize(file, nullptr);
    CloseHandle(file);
    if (low == INVALID_FILE_SIZE)
        return 1;
    *size = low;
    return 0;
}

int platMoveFileReplacing(const char* from, const char* to) {
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) ? 0 : 1;
}

void* platDesktopWindow() {
    return GetDesktopWindow();
}

int platMessageBox(void* owner, const char* text, const char* caption, unsigned style) {
    return MessageBoxA(static_cast<HWND>(owner), text, caption, style);
}

unsigned platTempPath(char* out, unsigned capacity) {
    DWORD n = GetTempPathA(capacity, out);
    return n >= capacity ? 0 : n;
}

int platDirectoryExists(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) ? 0 : 1;
}

int platCreateDirectory(const char* path) {
    return CreateDirectoryA(path, nullptr) ? 0 : 1;
}

static_assert(platTempNameCapacity >= MAX_PATH, "GetTempFileNameA writes up to MAX_PATH bytes");
int platTempFileName(const char* dir, const char* prefix, char* out) {
    return GetTempFileNameA(dir, prefix, 0, out) ? 0 : 1;
}

PlatFile platCreateNewFile(const char* path) {
    HANDLE file =
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file == INVALID_HANDLE_VALUE ? nullptr : file;
}

int platDeleteFile(const char* path) {
    return DeleteFileA(path) ? 0 : 1;
}

int platWriteFile(PlatFile file, const void* data, uint32_t n) {
    DWORD written = 0;
    return WriteFile(static_cast<HANDLE>(file), data, n, &written, nullptr) && written == n ? 0 : 1;
}

int platCloseFile(PlatFile file) {
    return CloseHandle(static_cast<HANDLE>(file)) ? 0 : 1;
}

int platStartDetachedProcess(char* commandLine) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
                        nullptr, &startup, &process))
        return 1;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}

// The client neither serves nor wants notifications.
static HDDEDATA CALLBACK ignoreDdeTransaction(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR,
                                              ULONG_PTR) {
    return nullptr;
}

uint32_t platDdeStartClient() {
    DWORD instance = 0;
    if (DdeInitializeA(&instance, ignoreDdeTransaction, APPCLASS_STANDARD | APPCMD_CLIENTONLY, 0) !=
        DMLERR_NO_ERROR)
        return 0;
    return instance;
}

void platDdeStopClient(uint32_t instance) {
    if (instance)
        DdeUninitialize(instance);
}

static void freeDdeNames(PlatDdeConversation* c) {
    if (c->service)
        DdeFreeStringHandle(c->instance, static_cast<HSZ>(c->service));
    if (c->topic)
        DdeFreeStringHandle(c->instance, static_cast<HSZ>(c->topic));
    c->service = c->topic = nullptr;
}

int platDdeConnect(uint32_t instance, const char* service, const char* topic,
                   PlatDdeConversation* out) {
    *out = PlatDdeConversation{instance, nullptr, nullptr, nullptr};
    if (!instance)
        return 1;
    out->service = DdeCreateStringHandleA(instance, service, CP_WINANSI);
    out->topic = DdeCreateStringHandleA(instance, topic, CP_WINANSI);
    if (out->service && out->topic)
        out->conversation = DdeConnect(instance, static_cast<HSZ>(out->service),
                                       static_cast<HSZ>(out->topic), nullptr);
    if (out->conversation)
        return 0;
    freeDdeNames(out);
    return 1;
}

void platDdeDisconnect(PlatDdeConversation* c) {
    if (c->conversation)
        DdeDisconnect(static_cast<HCONV>(c->conversation));
    c->conversation = nullptr;
    freeDdeNames(c);
}

int platDdeRequest(PlatDdeConversation* c, const char* item, uint32_t timeout, void* out,
                   uint32_t capacity, uint32_t* size) {
    *size = 0;
    if (!c->conversation)
        return 1;
    HSZ itemName = DdeCreateStringHandleA(c->instance, item, CP_WINANSI);
    if (!itemName)
        return 1;
    DWORD result = 0;
    HDDEDATA data = DdeClientTransaction(nullptr, 0, static_cast<HCONV>(c->conversation), itemName,
                                         CF_TEXT, XTYP_REQUEST, timeout, &result);
    int status = data ? 0 : 1;
    // An asynchronous request answers only TRUE: there is no data to read.
    if (data && timeout != platDdeTimeoutAsync) {
        DWORD n = DdeGetData(data, nullptr, 0, 0);
        *size = n;
        if (n && capacity)
            DdeGetData(data, static_cast<LPBYTE>(out), n < capacity ? n : capacity, 0);
        DdeFreeDataHandle(data);
    }
    DdeFreeStringHandle(c->instance, itemName);
    return status;
}

// The code page of a Windows process follows its locale; nothing to pick.
void platSetAnsiCodePage(unsigned) {}
