// The calls of native/include/windows.h on Linux: memory on malloc, modules on the dynamic loader,
// files on POSIX, code page 932 on iconv. See the header for what each stands for.
#include <windows.h>

#include <dirent.h>
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <iconv.h>
#include <link.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/sysinfo.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <string>

namespace {

thread_local DWORD g_lastError = 0;

// ---- memory -------------------------------------------------------------------------------------
// A block remembers its size in front of it, for LocalSize.
struct BlockHead {
    size_t size;
    size_t pad;  // keeps the block itself 16-byte aligned
};

HLOCAL RealLocalFree(HLOCAL block) {
    if (block) free(static_cast<BlockHead*>(block) - 1);
    return nullptr;
}

// ---- the program's own image --------------------------------------------------------------------
// The program as GetModuleHandleA(nullptr) gives it: an image whose import table has one entry,
// LocalFree, through which LocalFree goes. The workbench's block counter points it at its own
// counting function and back, as it does with a Windows program's import table.
struct ProgramImage {
    IMAGE_DOS_HEADER dos;
    IMAGE_NT_HEADERS nt;
    IMAGE_IMPORT_DESCRIPTOR imports[2];
    IMAGE_THUNK_DATA thunks[2];
    IMAGE_THUNK_DATA names[2];
    WORD hint;
    char name[16];
    char dllName[16];
};

ProgramImage MakeProgramImage() {
    ProgramImage image;
    memset(&image, 0, sizeof image);
    image.dos.e_magic = IMAGE_DOS_SIGNATURE;
    image.dos.e_lfanew = offsetof(ProgramImage, nt);
    image.nt.Signature = IMAGE_NT_SIGNATURE;
    IMAGE_DATA_DIRECTORY& dir = image.nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    dir.VirtualAddress = offsetof(ProgramImage, imports);
    dir.Size = sizeof image.imports;
    image.imports[0].OriginalFirstThunk = offsetof(ProgramImage, names);
    image.imports[0].FirstThunk = offsetof(ProgramImage, thunks);
    image.imports[0].Name = offsetof(ProgramImage, dllName);
    image.thunks[0].u1.Function = reinterpret_cast<ULONG_PTR>(&RealLocalFree);
    image.names[0].u1.AddressOfData = offsetof(ProgramImage, hint);
    strcpy(image.name, "LocalFree");
    strcpy(image.dllName, "kernel32.dll");
    return image;
}

ProgramImage g_program = MakeProgramImage();
HMODULE Program() { return reinterpret_cast<HMODULE>(&g_program); }

// kernel32.dll as GetModuleHandleA names it: it holds LocalFree.
char g_kernel32;
HMODULE Kernel32() { return reinterpret_cast<HMODULE>(&g_kernel32); }

bool EndsWithNoCase(const std::string& s, const char* end) {
    const size_t n = strlen(end);
    return s.size() >= n && strcasecmp(s.c_str() + s.size() - n, end) == 0;
}

// ---- files --------------------------------------------------------------------------------------
struct File {
    int fd;
};

struct Search {
    DIR* dir;
    std::string pattern;  // the names wanted, as fnmatch takes them
};

// The Windows error code for an errno value.
DWORD WindowsError(int error) {
    switch (error) {
        case ENOENT:
            return ERROR_FILE_NOT_FOUND;
        case ENOTDIR:
            return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EISDIR:
            return ERROR_ACCESS_DENIED;
        case EBADF:
            return ERROR_INVALID_HANDLE;
        case ENOMEM:
            return ERROR_NOT_ENOUGH_MEMORY;
        case EEXIST:
            return ERROR_ALREADY_EXISTS;
        case ENAMETOOLONG:
            return ERROR_INVALID_NAME;
        case ENOBUFS:
            return ERROR_INSUFFICIENT_BUFFER;
        case EILSEQ:
            return ERROR_NO_UNICODE_TRANSLATION;
        default:
            return ERROR_INVALID_PARAMETER;
    }
}

BOOL Fail(int error) {
    g_lastError = WindowsError(error);
    return FALSE;
}

bool FillFound(Search* search, WIN32_FIND_DATAA* found) {
    while (dirent* entry = readdir(search->dir)) {
        if (fnmatch(search->pattern.c_str(), entry->d_name, FNM_PERIOD) != 0) continue;
        memset(found, 0, sizeof *found);
        snprintf(found->cFileName, sizeof found->cFileName, "%s", entry->d_name);
        found->dwFileAttributes =
            entry->d_type == DT_DIR ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
        if (entry->d_type == DT_LNK) found->dwFileAttributes |= FILE_ATTRIBUTE_REPARSE_POINT;
        return true;
    }
    return false;
}

// ---- text ---------------------------------------------------------------------------------------
// One character through iconv: true when from[0..fromBytes) converts whole into to[0..*toBytes).
// toCp932: from UTF-32 to code page 932, else back. Each direction is opened once per thread.
bool ConvertOne(bool toCp932, const void* from, size_t fromBytes, void* to, size_t* toBytes) {
    thread_local iconv_t forth = iconv_open("CP932", "UTF-32LE");
    thread_local iconv_t back = iconv_open("UTF-32LE", "CP932");
    iconv_t cd = toCp932 ? forth : back;
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);  // a fresh start after any failure
    char* in = const_cast<char*>(static_cast<const char*>(from));
    char* out = static_cast<char*>(to);
    size_t inLeft = fromBytes, outLeft = *toBytes;
    const bool ok = iconv(cd, &in, &inLeft, &out, &outLeft) != static_cast<size_t>(-1) &&
                    iconv(cd, nullptr, nullptr, &out, &outLeft) != static_cast<size_t>(-1) &&
                    inLeft == 0;
    *toBytes -= outLeft;
    return ok;
}

// The code point of one code page 932 character (1 or 2 bytes), or -1 when it is none.
long Cp932ToCodePoint(const char* bytes, size_t n) {
    uint32_t cp[2];
    size_t got = sizeof cp;
    if (!ConvertOne(false, bytes, n, cp, &got) || got != 4) return -1;
    return cp[0];
}

// A code point in code page 932 without best fit: only characters that come back as themselves.
// Returns the bytes (1 or 2), or 0 when code page 932 lacks the character.
size_t CodePointToCp932(uint32_t cp, char* bytes) {
    if (cp >= 0xD800 && cp <= 0xDFFF) return 0;  // half of a pair: no character
    size_t got = 2;
    if (!ConvertOne(true, &cp, sizeof cp, bytes, &got) || got == 0) return 0;
    return Cp932ToCodePoint(bytes, got) == static_cast<long>(cp) ? got : 0;
}

// Appends the UTF-8 bytes of code point cp to out.
void AppendUtf8(uint32_t cp, std::string* out) {
    if (cp < 0x80) {
        *out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        *out += static_cast<char>(0xC0 | (cp >> 6));
        *out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        *out += static_cast<char>(0xE0 | (cp >> 12));
        *out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        *out += static_cast<char>(0xF0 | (cp >> 18));
        *out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        *out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Appends the UTF-16 units of code point cp to out (up to 2 units).
int Utf16Units(uint32_t cp, wchar_t* out) {
    if (cp < 0x10000) {
        out[0] = static_cast<wchar_t>(cp);
        return 1;
    }
    cp -= 0x10000;
    out[0] = static_cast<wchar_t>(0xD800 + (cp >> 10));
    out[1] = static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
    return 2;
}

// The next UTF-8 character at s[*i] (advancing *i), or -1 for a malformed sequence (*i past it).
long NextUtf8(const unsigned char* s, size_t n, size_t* i) {
    const unsigned char c = s[(*i)++];
    if (c < 0x80) return c;
    size_t length;
    uint32_t cp;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        cp = c & 0x07;
    } else {
        return -1;
    }
    for (size_t k = 1; k < length; ++k) {
        if (*i >= n || (s[*i] & 0xC0) != 0x80) return -1;
        cp = (cp << 6) | (s[(*i)++] & 0x3F);
    }
    const bool overlong = (length == 3 && cp < 0x800) || (length == 4 && cp < 0x10000);
    if (overlong || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) return -1;
    return cp;
}

}  // namespace

// ---- memory -------------------------------------------------------------------------------------

HLOCAL LocalAlloc(UINT flags, SIZE_T bytes) {
    BlockHead* head =
        static_cast<BlockHead*>((flags & LMEM_ZEROINIT) ? calloc(1, sizeof(BlockHead) + bytes)
                                                        : malloc(sizeof(BlockHead) + bytes));
    if (!head) return nullptr;
    head->size = bytes;
    return head + 1;
}

HLOCAL LocalFree(HLOCAL block) {
    typedef HLOCAL (*LocalFreeProc)(HLOCAL);
    return reinterpret_cast<LocalFreeProc>(g_program.thunks[0].u1.Function)(block);
}

SIZE_T LocalSize(HLOCAL block) { return block ? (static_cast<BlockHead*>(block) - 1)->size : 0; }

BOOL GlobalMemoryStatusEx(MEMORYSTATUSEX* status) {
    struct sysinfo info;
    if (!status || sysinfo(&info) != 0) return FALSE;
    const uint64_t unit = info.mem_unit ? info.mem_unit : 1;
    status->ullTotalPhys = info.totalram * unit;
    status->ullAvailPhys = (info.freeram + info.bufferram) * unit;
    status->ullTotalPageFile = (info.totalram + info.totalswap) * unit;
    status->ullAvailPageFile = (info.freeram + info.freeswap) * unit;
    status->ullTotalVirtual = uint64_t(1) << 47;
    status->ullAvailVirtual = uint64_t(1) << 47;
    status->ullAvailExtendedVirtual = 0;
    status->dwMemoryLoad = 0;
    return TRUE;
}

BOOL VirtualProtect(LPVOID, SIZE_T, DWORD protect, DWORD* oldProtect) {
    if (oldProtect) *oldProtect = protect;
    return TRUE;
}

// ---- modules and the process --------------------------------------------------------------------

static HMODULE NativeLoadLibrary(const char* path) {
    if (!path || !*path) return Fail(ENOENT), nullptr;
    std::string name(path);
    if (EndsWithNoCase(name, ".dll")) name.replace(name.size() - 4, 4, ".so");
    void* module = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) g_lastError = ERROR_MOD_NOT_FOUND;
    return static_cast<HMODULE>(module);
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
    if (!module || !name) return nullptr;
    if (module == Kernel32())
        return strcmp(name, "LocalFree") == 0 ? reinterpret_cast<FARPROC>(&RealLocalFree) : nullptr;
    void* address = dlsym(module == Program() ? RTLD_DEFAULT : static_cast<void*>(module), name);
    return reinterpret_cast<FARPROC>(address);
}

BOOL FreeLibrary(HMODULE module) {
    if (!module || module == Program() || module == Kernel32()) return TRUE;
    return dlclose(module) == 0;
}

HMODULE GetModuleHandleA(LPCSTR name) {
    if (!name) return Program();
    if (strcasecmp(name, "kernel32.dll") == 0 || strcasecmp(name, "kernel32") == 0)
        return Kernel32();
    return nullptr;
}

BOOL GetModuleHandleExA(DWORD flags, LPCSTR nameOrAddress, HMODULE* module) {
    if (!module) return FALSE;
    *module = nullptr;
    if (!(flags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS)) {
        *module = GetModuleHandleA(nameOrAddress);
        return *module != nullptr;
    }
    Dl_info info;
    if (!dladdr(nameOrAddress, &info) || !info.dli_fname) return FALSE;
    // A shared object already loaded gives its own handle; the program itself gives Program().
    void* handle = dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD);
    void* self = dlopen(nullptr, RTLD_NOW);
    if (handle && handle == self) {
        dlclose(handle);
        handle = nullptr;
    }
    if (self) dlclose(self);
    if (handle && (flags & GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT)) dlclose(handle);
    *module = handle ? static_cast<HMODULE>(handle) : Program();
    return TRUE;
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR path, DWORD size) {
    if (!path || size == 0) return 0;
    std::string name;
    link_map* map = nullptr;
    if (module && module != Program() && module != Kernel32() &&
        dlinfo(module, RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name && *map->l_name) {
        name = map->l_name;
    } else {
        char self[4096];
        const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
        if (n <= 0) return 0;
        name.assign(self, static_cast<size_t>(n));
    }
    // As Windows: cut to size with the terminator, and the full size asked for is size itself.
    const size_t copied = name.size() < size ? name.size() : size - 1;
    memcpy(path, name.data(), copied);
    path[copied] = '\0';
    return name.size() < size ? static_cast<DWORD>(copied) : size;
}

DWORD GetCurrentProcessId(void) { return static_cast<DWORD>(getpid()); }

BOOL QueryPerformanceCounter(LARGE_INTEGER* count) {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    count->QuadPart = static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
    return TRUE;
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
    frequency->QuadPart = 1000000000;
    return TRUE;
}

DWORD GetTickCount(void) {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<DWORD>(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

DWORD GetLastError(void) { return g_lastError; }

void SetLastError(DWORD error) { g_lastError = error; }

// ---- files --------------------------------------------------------------------------------------

static HANDLE NativeCreateFile(const char* path, DWORD access, DWORD disposition) {
    if (!path || !*path) return Fail(ENOENT), INVALID_HANDLE_VALUE;
    int mode = (access & GENERIC_WRITE) ? ((access & GENERIC_READ) ? O_RDWR : O_WRONLY) : O_RDONLY;
    if (disposition == CREATE_ALWAYS) mode |= O_CREAT | O_TRUNC;
    const int fd = open(path, mode | O_CLOEXEC, 0666);
    if (fd < 0) return Fail(errno), INVALID_HANDLE_VALUE;
    struct stat st;
    if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {  // a folder is no file to open
        close(fd);
        return Fail(EISDIR), INVALID_HANDLE_VALUE;
    }
    return new File{fd};
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytes, LPDWORD got, void*) {
    if (got) *got = 0;
    if (!file || file == INVALID_HANDLE_VALUE) return Fail(EBADF);
    const ssize_t n = read(static_cast<File*>(file)->fd, buffer, bytes);
    if (n < 0) return Fail(errno);
    if (got) *got = static_cast<DWORD>(n);
    return TRUE;
}

BOOL WriteFile(HANDLE file, const void* buffer, DWORD bytes, LPDWORD written, void*) {
    if (written) *written = 0;
    if (!file || file == INVALID_HANDLE_VALUE) return Fail(EBADF);
    const ssize_t n = write(static_cast<File*>(file)->fd, buffer, bytes);
    if (n < 0) return Fail(errno);
    if (written) *written = static_cast<DWORD>(n);
    return TRUE;
}

BOOL CloseHandle(HANDLE handle) {
    if (!handle || handle == INVALID_HANDLE_VALUE) return Fail(EBADF);
    File* file = static_cast<File*>(handle);
    const int status = close(file->fd);
    delete file;
    return status == 0;
}

BOOL GetFileSizeEx(HANDLE file, LARGE_INTEGER* size) {
    struct stat st;
    if (!file || file == INVALID_HANDLE_VALUE || !size ||
        fstat(static_cast<File*>(file)->fd, &st) != 0)
        return Fail(EBADF);
    size->QuadPart = st.st_size;
    return TRUE;
}

DWORD GetFileType(HANDLE file) {
    struct stat st;
    if (!file || file == INVALID_HANDLE_VALUE || fstat(static_cast<File*>(file)->fd, &st) != 0)
        return FILE_TYPE_UNKNOWN;
    if (S_ISREG(st.st_mode)) return FILE_TYPE_DISK;
    if (S_ISCHR(st.st_mode)) return FILE_TYPE_CHAR;
    if (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode)) return FILE_TYPE_PIPE;
    return FILE_TYPE_UNKNOWN;
}

static DWORD NativeGetFileAttributes(const char* path) {
    struct stat st;
    if (!path || stat(path, &st) != 0) return Fail(errno), INVALID_FILE_ATTRIBUTES;
    DWORD attributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
    if (lstat(path, &st) == 0 && S_ISLNK(st.st_mode)) attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    return attributes;
}

static BOOL NativeGetFileAttributesEx(const char* path, LPVOID data) {
    struct stat st;
    if (!path || !data || stat(path, &st) != 0) return Fail(ENOENT);
    WIN32_FILE_ATTRIBUTE_DATA* info = static_cast<WIN32_FILE_ATTRIBUTE_DATA*>(data);
    memset(info, 0, sizeof *info);
    info->dwFileAttributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
    info->nFileSizeHigh = static_cast<DWORD>(static_cast<uint64_t>(st.st_size) >> 32);
    info->nFileSizeLow = static_cast<DWORD>(st.st_size);
    return TRUE;
}

// The full path of a path as it was given: the current folder in front of a relative one, the
// separators left as they are (the file calls take either).
static std::string NativeFullPath(const std::string& path) {
    if (path[0] == '/' || path[0] == '\\') return path;
    char cwd[4096];
    if (!getcwd(cwd, sizeof cwd)) return Fail(errno), std::string();
    return std::string(cwd) + "/" + path;
}

DWORD GetFullPathNameA(LPCSTR path, DWORD size, LPSTR full, LPSTR* filePart) {
    if (!path || !*path) return Fail(ENOENT), 0;
    const std::string result = NativeFullPath(path);
    if (result.empty()) return 0;
    if (result.size() + 1 > size) return static_cast<DWORD>(result.size() + 1);
    memcpy(full, result.c_str(), result.size() + 1);
    if (filePart) {
        *filePart = nullptr;
        for (char* c = full; *c; ++c)
            if (*c == '/' || *c == '\\') *filePart = c[1] ? c + 1 : nullptr;
    }
    return static_cast<DWORD>(result.size());
}

static BOOL NativeCopyFile(const char* from, const char* to, BOOL failIfExists) {
    if (!from || !to) return Fail(ENOENT);
    const int in = open(from, O_RDONLY | O_CLOEXEC);
    if (in < 0) return Fail(errno);
    const int out =
        open(to, O_WRONLY | O_CREAT | O_CLOEXEC | (failIfExists ? O_EXCL : O_TRUNC), 0666);
    if (out < 0) {
        close(in);
        return Fail(errno);
    }
    char buffer[65536];
    ssize_t n;
    bool ok = true;
    while (ok && (n = read(in, buffer, sizeof buffer)) > 0)
        ok = write(out, buffer, static_cast<size_t>(n)) == n;
    ok = ok && n == 0;
    close(in);
    ok = close(out) == 0 && ok;
    return ok ? TRUE : Fail(EIO);
}

static BOOL NativeDeleteFile(const char* path) {
    return path && unlink(path) == 0 ? TRUE : Fail(errno);
}

static BOOL NativeCreateDirectory(const char* path) {
    return path && mkdir(path, 0777) == 0 ? TRUE : Fail(errno);
}

static BOOL NativeRemoveDirectory(const char* path) {
    return path && rmdir(path) == 0 ? TRUE : Fail(errno);
}

DWORD GetTempPathA(DWORD size, LPSTR path) {
    const char* dir = getenv("TMPDIR");
    std::string temp = dir && *dir ? dir : "/tmp";
    if (temp.back() != '/') temp += '/';
    std::replace(temp.begin(), temp.end(), '/', '\\');  // as Windows spells it
    if (temp.size() + 1 > size) return static_cast<DWORD>(temp.size() + 1);
    memcpy(path, temp.c_str(), temp.size() + 1);
    return static_cast<DWORD>(temp.size());
}

static HANDLE NativeFindFirstFile(const char* pattern, WIN32_FIND_DATAA* found) {
    if (!pattern || !*pattern || !found) return Fail(ENOENT), INVALID_HANDLE_VALUE;
    const std::string path(pattern);
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    DIR* dir = opendir(folder.c_str());
    if (!dir) return Fail(errno), INVALID_HANDLE_VALUE;
    Search* search = new Search{dir, path.substr(slash == std::string::npos ? 0 : slash + 1)};
    if (!FillFound(search, found)) {
        FindClose(search);
        return Fail(ENOENT), INVALID_HANDLE_VALUE;
    }
    return search;
}

static BOOL NativeFindNextFile(HANDLE search, WIN32_FIND_DATAA* found) {
    if (!search || search == INVALID_HANDLE_VALUE || !found) return Fail(EBADF);
    return FillFound(static_cast<Search*>(search), found) ? TRUE : Fail(ENOENT);
}

BOOL FindClose(HANDLE search) {
    if (!search || search == INVALID_HANDLE_VALUE) return Fail(EBADF);
    Search* s = static_cast<Search*>(search);
    closedir(s->dir);
    delete s;
    return TRUE;
}

// ---- text ---------------------------------------------------------------------------------------

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int bytes, LPWSTR wide,
                        int units) {
    if (!text || bytes == 0 || units < 0 || (codePage != CP_UTF8 && codePage != 932))
        return Fail(EINVAL), 0;
    const size_t n = bytes < 0 ? strlen(text) + 1 : static_cast<size_t>(bytes);
    const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
    int count = 0;
    for (size_t i = 0; i < n;) {
        long cp;
        if (codePage == CP_UTF8) {
            cp = NextUtf8(s, n, &i);
        } else {
            const bool lead = IsDBCSLeadByte(s[i]);
            const size_t length = lead && i + 1 < n ? 2 : 1;
            cp = lead && length == 1 ? -1 : Cp932ToCodePoint(text + i, length);
            i += length;
        }
        if (cp < 0) {
            if (flags & MB_ERR_INVALID_CHARS) return Fail(EILSEQ), 0;
            cp = 0xFFFD;
        }
        wchar_t unit[2];
        const int k = Utf16Units(static_cast<uint32_t>(cp), unit);
        if (units > 0) {
            if (count + k > units) return Fail(ENOBUFS), 0;
            for (int j = 0; j < k; ++j) wide[count + j] = unit[j];
        }
        count += k;
    }
    return count;
}

int WideCharToMultiByte(UINT codePage, DWORD, LPCWSTR wide, int units, LPSTR text, int bytes,
                        LPCSTR defaultChar, LPBOOL usedDefaultChar) {
    // Each UTF-16 unit is one wchar_t. In code page 932 each unit is one character, so a surrogate
    // (half of a character past U+FFFF) has none and becomes the default character, as on Windows,
    // and a character is written only when it reads back as itself (no best fit). In UTF-8 a
    // surrogate pair is one character and a lone surrogate becomes U+FFFD.
    if (!wide || units == 0 || bytes < 0 || (codePage != 932 && codePage != CP_UTF8))
        return Fail(EINVAL), 0;
    const size_t n = units < 0 ? wcslen(wide) + 1 : static_cast<size_t>(units);
    const char fallback = defaultChar && *defaultChar ? *defaultChar : '?';
    if (usedDefaultChar) *usedDefaultChar = FALSE;
    int count = 0;
    for (size_t i = 0; i < n; ++i) {
        std::string out;
        uint32_t cp = static_cast<uint32_t>(wide[i]) & 0xFFFF;
        if (codePage == CP_UTF8) {
            const uint32_t next = i + 1 < n ? static_cast<uint32_t>(wide[i + 1]) & 0xFFFF : 0;
            if (cp >= 0xD800 && cp <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (next - 0xDC00);
                ++i;
            } else if (cp >= 0xD800 && cp <= 0xDFFF) {
                cp = 0xFFFD;
            }
            AppendUtf8(cp, &out);
        } else {
            char two[2];
            const size_t k =
                cp < 0x80 ? (two[0] = static_cast<char>(cp), 1) : CodePointToCp932(cp, two);
            if (k == 0) {
                out = fallback;
                if (usedDefaultChar) *usedDefaultChar = TRUE;
            } else {
                out.assign(two, k);
            }
        }
        const int k = static_cast<int>(out.size());
        if (bytes > 0) {
            if (count + k > bytes) return Fail(ENOBUFS), 0;
            memcpy(text + count, out.data(), out.size());
        }
        count += k;
    }
    return count;
}

BOOL IsDBCSLeadByte(BYTE c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

DWORD CharUpperBuffA(LPSTR text, DWORD bytes) {
    for (DWORD i = 0; text && i < bytes; ++i) {
        if (IsDBCSLeadByte(static_cast<BYTE>(text[i]))) {
            ++i;  // a trail byte may look like a letter; it stays
        } else if (text[i] >= 'a' && text[i] <= 'z') {
            text[i] = static_cast<char>(text[i] - 'a' + 'A');
        }
    }
    return bytes;
}

// ---- UTF-16 names -------------------------------------------------------------------------------

namespace {

// A name of UTF-16 units (one per wchar_t) in UTF-8; a unit that is half a pair on its own
// becomes U+FFFD.
std::string Narrow(const wchar_t* wide) {
    const int units = wide ? static_cast<int>(wcslen(wide)) : 0;
    const int bytes =
        units ? WideCharToMultiByte(CP_UTF8, 0, wide, units, nullptr, 0, nullptr, nullptr) : 0;
    std::string out(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0) WideCharToMultiByte(CP_UTF8, 0, wide, units, &out[0], bytes, nullptr, nullptr);
    return out;
}

// A path of UTF-16 units as this system's file calls take it: UTF-8, with Windows' separator
// turned into ours. Safe here as it is not in the byte-string calls, where a code page 932
// character's second byte can be 0x5C.
std::string NativePath(const wchar_t* wide) {
    std::string path = Narrow(wide);
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

// A byte-string path in code page 932 as this system's file calls take it: UTF-8, with Windows'
// separator turned into ours where it is a character of its own (it is also the second byte of
// some two-byte characters). A byte that starts no code page 932 character is kept as it is.
std::string HostPath(const char* path) {
    std::string out;
    const size_t n = path ? strlen(path) : 0;
    for (size_t i = 0; i < n;) {
        const unsigned char c = static_cast<unsigned char>(path[i]);
        if (c < 0x80) {
            out += c == '\\' ? '/' : static_cast<char>(c);
            ++i;
            continue;
        }
        const bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
        const size_t length = lead && i + 1 < n ? 2 : 1;
        const long cp = Cp932ToCodePoint(path + i, length);
        if (cp < 0) {
            out += static_cast<char>(c);
            ++i;
        } else {
            AppendUtf8(static_cast<uint32_t>(cp), &out);
            i += length;
        }
    }
    return out;
}

// A found file's name, as this system spells it, in code page 932 for the byte-string calls; a
// character code page 932 lacks becomes "?", as Windows gives it.
void NameToHost(WIN32_FIND_DATAA* found) {
    const std::string name = found->cFileName;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(name.data());
    std::string host;
    for (size_t i = 0; i < name.size();) {
        const long cp = NextUtf8(s, name.size(), &i);
        char bytes[2];
        const size_t length = cp < 0 ? 0 : CodePointToCp932(static_cast<uint32_t>(cp), bytes);
        host.append(length ? bytes : "?", length ? length : 1);
    }
    snprintf(found->cFileName, sizeof found->cFileName, "%s", host.c_str());
}

// UTF-8 as UTF-16 units into out[0..size): as Windows, the length without the terminator when it
// fits, else the size needed with it.
DWORD Widen(const std::string& text, LPWSTR out, DWORD size) {
    const int n = text.empty() ? 0
                               : MultiByteToWideChar(CP_UTF8, 0, text.data(),
                                                     static_cast<int>(text.size()), nullptr, 0);
    if (n < 0 || static_cast<DWORD>(n) + 1 > size || !out) return static_cast<DWORD>(n + 1);
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out, n);
    out[n] = 0;
    return static_cast<DWORD>(n);
}

bool FoundW(BOOL ok, const WIN32_FIND_DATAA& narrow, WIN32_FIND_DATAW* found) {
    if (!ok) return false;
    found->dwFileAttributes = narrow.dwFileAttributes;
    found->nFileSizeHigh = narrow.nFileSizeHigh;
    found->nFileSizeLow = narrow.nFileSizeLow;
    Widen(narrow.cFileName, found->cFileName, MAX_PATH);
    return true;
}

}  // namespace

// ---- the file calls by the paths they take ------------------------------------------------------
// Both kinds take Windows' separator as well as ours. A byte-string path is in code page 932, as
// the modeller's Windows has it, so a file made through one kind of call is found by the other.

HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD, void*, DWORD disposition, DWORD, HANDLE) {
    return NativeCreateFile(HostPath(path).c_str(), access, disposition);
}
HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD, void*, DWORD disposition, DWORD, HANDLE) {
    return NativeCreateFile(NativePath(path).c_str(), access, disposition);
}

DWORD GetFileAttributesA(LPCSTR path) { return NativeGetFileAttributes(HostPath(path).c_str()); }
DWORD GetFileAttributesW(LPCWSTR path) { return NativeGetFileAttributes(NativePath(path).c_str()); }

BOOL GetFileAttributesExA(LPCSTR path, GET_FILEEX_INFO_LEVELS, LPVOID data) {
    return NativeGetFileAttributesEx(HostPath(path).c_str(), data);
}
BOOL GetFileAttributesExW(LPCWSTR path, GET_FILEEX_INFO_LEVELS, LPVOID data) {
    return NativeGetFileAttributesEx(NativePath(path).c_str(), data);
}

DWORD GetFullPathNameW(LPCWSTR path, DWORD size, LPWSTR full, LPWSTR* filePart) {
    const std::string given = Narrow(path);
    if (given.empty()) return Fail(ENOENT), 0;
    const std::string result = NativeFullPath(given);
    if (result.empty()) return 0;
    const DWORD got = Widen(result, full, size);
    if (filePart && got < size) {
        *filePart = nullptr;
        for (DWORD i = 0; full && i < got; ++i)
            if (full[i] == L'/' || full[i] == L'\\') *filePart = full + i + 1;
    }
    return got;
}

// There are no short names here: a path that names a file is its own short and long name.
DWORD GetShortPathNameW(LPCWSTR path, LPWSTR shortPath, DWORD size) {
    if (GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES) return 0;
    return Widen(Narrow(path), shortPath, size);
}

DWORD GetLongPathNameW(LPCWSTR path, LPWSTR longPath, DWORD size) {
    return GetShortPathNameW(path, longPath, size);
}

BOOL CopyFileA(LPCSTR from, LPCSTR to, BOOL failIfExists) {
    return NativeCopyFile(HostPath(from).c_str(), HostPath(to).c_str(), failIfExists);
}
BOOL CopyFileW(LPCWSTR from, LPCWSTR to, BOOL failIfExists) {
    return NativeCopyFile(NativePath(from).c_str(), NativePath(to).c_str(), failIfExists);
}

BOOL DeleteFileA(LPCSTR path) { return NativeDeleteFile(HostPath(path).c_str()); }
BOOL DeleteFileW(LPCWSTR path) { return NativeDeleteFile(NativePath(path).c_str()); }

BOOL CreateDirectoryA(LPCSTR path, void*) { return NativeCreateDirectory(HostPath(path).c_str()); }
BOOL CreateDirectoryW(LPCWSTR path, void*) {
    return NativeCreateDirectory(NativePath(path).c_str());
}

BOOL RemoveDirectoryA(LPCSTR path) { return NativeRemoveDirectory(HostPath(path).c_str()); }
BOOL RemoveDirectoryW(LPCWSTR path) { return NativeRemoveDirectory(NativePath(path).c_str()); }

HANDLE FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* found) {
    HANDLE search = NativeFindFirstFile(HostPath(pattern).c_str(), found);
    if (search != INVALID_HANDLE_VALUE) NameToHost(found);
    return search;
}
HANDLE FindFirstFileW(LPCWSTR pattern, WIN32_FIND_DATAW* found) {
    WIN32_FIND_DATAA narrow;
    HANDLE search = NativeFindFirstFile(NativePath(pattern).c_str(), &narrow);
    if (search != INVALID_HANDLE_VALUE && found) FoundW(TRUE, narrow, found);
    return search;
}

BOOL FindNextFileA(HANDLE search, WIN32_FIND_DATAA* found) {
    if (!NativeFindNextFile(search, found)) return FALSE;
    NameToHost(found);
    return TRUE;
}
BOOL FindNextFileW(HANDLE search, WIN32_FIND_DATAW* found) {
    WIN32_FIND_DATAA narrow;
    return found && FoundW(NativeFindNextFile(search, &narrow), narrow, found);
}

HMODULE LoadLibraryA(LPCSTR path) { return NativeLoadLibrary(HostPath(path).c_str()); }
HMODULE LoadLibraryW(LPCWSTR path) { return NativeLoadLibrary(NativePath(path).c_str()); }

DWORD GetModuleFileNameW(HMODULE module, LPWSTR path, DWORD size) {
    char narrow[4096];
    const DWORD n = GetModuleFileNameA(module, narrow, sizeof narrow);
    if (n == 0 || n >= sizeof narrow || !path || size == 0) return 0;
    const DWORD got = Widen(narrow, path, size);
    if (got < size) return got;
    path[size - 1] = 0;  // cut, as Windows
    return size;
}

DWORD CharUpperBuffW(LPWSTR text, DWORD units) {
    for (DWORD i = 0; text && i < units; ++i)
        if (text[i] >= L'a' && text[i] <= L'z')
            text[i] = static_cast<wchar_t>(text[i] - L'a' + L'A');
    return units;
}

FILE* _wfopen(const wchar_t* path, const wchar_t* mode) {
    return fopen(NativePath(path).c_str(), Narrow(mode).c_str());
}

int _write(int fd, const void* buffer, unsigned int bytes) {
    return static_cast<int>(write(fd, buffer, bytes));
}
