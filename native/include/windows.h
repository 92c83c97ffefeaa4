// The few Windows types, constants and calls that the plug-in's and the workbench's windowless
// code uses, for the native Linux build (build/native, `make check-native`). The sources include
// <windows.h> as they do for the MinGW builds; on Linux this folder comes first on the include
// path, so they get this file and stay unchanged.
//
// What it gives, and how:
//   - types and constants with the values and sizes of the Windows headers (LONG and DWORD are 32
//     bits; BITMAPINFOHEADER is the 40 bytes of the file format);
//   - memory blocks (LocalAlloc, LocalFree, LocalSize) on malloc, so that AddressSanitizer sees
//     every block;
//   - modules on the dynamic loader: LoadLibraryA opens a shared object, where a name ending in
//     ".dll" stands for the same name ending in ".so"; GetProcAddress looks a name up in it;
//   - files on POSIX calls, as Windows names them: a backslash is a separator as well as "/", a
//     byte-string path is in code page 932 (the wide calls take UTF-16), and the temporary
//     folder is spelt with backslashes;
//   - code page 932 and UTF-8 <-> UTF-16 (MultiByteToWideChar, WideCharToMultiByte), code page
//     932 on iconv. A wchar_t holds one UTF-16 unit, as on Windows, although it has room for more;
//   - no windows: there is no desktop, so every window call fails or does nothing (creating a
//     window gives null, no message is ever pending). The panel and the dialogs are left out of
//     this build; what the plug-in object asks of its panel comes from native/PanelStandIn.
//   - the process's own import table as far as the workbench's block counter patches it: the
//     entry of LocalFree, through which every LocalFree call goes (see WindowsShim.cpp).
// The calls are defined in native/WindowsShim.cpp.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <wchar.h>

// ---- calling conventions and declarations -------------------------------------------------------
#define WINAPI
#define CALLBACK
#define APIENTRY
#define __stdcall
#define __declspec(what)

// ---- basic types --------------------------------------------------------------------------------
typedef int BOOL;
typedef unsigned char BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef unsigned int UINT;
typedef intptr_t INT_PTR;
typedef intptr_t LONG_PTR;
typedef uintptr_t UINT_PTR;
typedef uintptr_t ULONG_PTR;
typedef size_t SIZE_T;
typedef char CHAR;
typedef wchar_t WCHAR;
typedef const char* LPCSTR;
typedef char* LPSTR;
typedef const wchar_t* LPCWSTR;
typedef wchar_t* LPWSTR;
typedef void* LPVOID;
typedef DWORD* LPDWORD;
typedef BOOL* LPBOOL;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;

typedef void* HANDLE;
typedef void* HLOCAL;
typedef struct HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;
typedef struct HWND__* HWND;
typedef struct HBRUSH__* HBRUSH;
typedef struct HCURSOR__* HCURSOR;
typedef struct HICON__* HICON;
typedef struct HMENU__* HMENU;
typedef INT_PTR (*FARPROC)();
typedef LRESULT (*WNDPROC)(HWND, UINT, WPARAM, LPARAM);

#define TRUE 1
#define FALSE 0
#define MAX_PATH 260

typedef union _LARGE_INTEGER {
    struct {
        DWORD LowPart;
        LONG HighPart;
    } u;
    int64_t QuadPart;
} LARGE_INTEGER;

typedef struct _FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
} FILETIME;

// ---- memory -------------------------------------------------------------------------------------
#define LMEM_FIXED 0x0000
#define LMEM_ZEROINIT 0x0040
#define LMEM_DISCARDABLE 0x0F00
HLOCAL LocalAlloc(UINT flags, SIZE_T bytes);
HLOCAL LocalFree(HLOCAL block);
SIZE_T LocalSize(HLOCAL block);
inline UINT LocalFlags(HLOCAL) { return 0; }  // every block is fixed

typedef struct _MEMORYSTATUSEX {
    DWORD dwLength;
    DWORD dwMemoryLoad;
    uint64_t ullTotalPhys;
    uint64_t ullAvailPhys;
    uint64_t ullTotalPageFile;
    uint64_t ullAvailPageFile;
    uint64_t ullTotalVirtual;
    uint64_t ullAvailVirtual;
    uint64_t ullAvailExtendedVirtual;
} MEMORYSTATUSEX;
BOOL GlobalMemoryStatusEx(MEMORYSTATUSEX* status);

#define PAGE_READWRITE 0x04
BOOL VirtualProtect(LPVOID address, SIZE_T size, DWORD protect, DWORD* oldProtect);

// ---- modules and the process --------------------------------------------------------------------
HMODULE LoadLibraryA(LPCSTR path);
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
BOOL FreeLibrary(HMODULE module);
HMODULE GetModuleHandleA(LPCSTR name);  // null: the program itself
#define GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT 0x2
#define GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS 0x4
BOOL GetModuleHandleExA(DWORD flags, LPCSTR nameOrAddress, HMODULE* module);
DWORD GetModuleFileNameA(HMODULE module, LPSTR path, DWORD size);
DWORD GetCurrentProcessId(void);
DWORD GetTickCount(void);  // milliseconds of a monotonic clock
BOOL QueryPerformanceCounter(LARGE_INTEGER* count);  // nanoseconds of the same clock
BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency);
// The error codes the workbench tells apart; the calls here set them from errno.
#define ERROR_FILE_NOT_FOUND 2
#define ERROR_PATH_NOT_FOUND 3
#define ERROR_ACCESS_DENIED 5
#define ERROR_INVALID_HANDLE 6
#define ERROR_NOT_ENOUGH_MEMORY 8
#define ERROR_FILE_EXISTS 80
#define ERROR_INVALID_PARAMETER 87
#define ERROR_INSUFFICIENT_BUFFER 122
#define ERROR_INVALID_NAME 123
#define ERROR_MOD_NOT_FOUND 126
#define ERROR_ALREADY_EXISTS 183
#define ERROR_NO_UNICODE_TRANSLATION 1113
DWORD GetLastError(void);
void SetLastError(DWORD error);

// The parts of a module image that the workbench reads to find an imported function.
#define IMAGE_DOS_SIGNATURE 0x5A4D
#define IMAGE_NT_SIGNATURE 0x00004550
#define IMAGE_DIRECTORY_ENTRY_IMPORT 1
#define IMAGE_NUMBEROF_DIRECTORY_ENTRIES 16
#define IMAGE_ORDINAL_FLAG ((ULONG_PTR)1 << (sizeof(ULONG_PTR) * 8 - 1))
#define IMAGE_SNAP_BY_ORDINAL(ordinal) (((ordinal)&IMAGE_ORDINAL_FLAG) != 0)
typedef struct _IMAGE_DOS_HEADER {
    WORD e_magic;
    WORD e_unused[29];
    LONG e_lfanew;
} IMAGE_DOS_HEADER;
typedef struct _IMAGE_DATA_DIRECTORY {
    DWORD VirtualAddress;
    DWORD Size;
} IMAGE_DATA_DIRECTORY;
typedef struct _IMAGE_OPTIONAL_HEADER {
    IMAGE_DATA_DIRECTORY DataDirectory[IMAGE_NUMBEROF_DIRECTORY_ENTRIES];
} IMAGE_OPTIONAL_HEADER;
typedef struct _IMAGE_NT_HEADERS {
    DWORD Signature;
    IMAGE_OPTIONAL_HEADER OptionalHeader;
} IMAGE_NT_HEADERS;
typedef struct _IMAGE_IMPORT_DESCRIPTOR {
    DWORD OriginalFirstThunk;
    DWORD TimeDateStamp;
    DWORD ForwarderChain;
    DWORD Name;
    DWORD FirstThunk;
} IMAGE_IMPORT_DESCRIPTOR;
typedef struct _IMAGE_THUNK_DATA {
    union {
        ULONG_PTR Function;
        ULONG_PTR Ordinal;
        ULONG_PTR AddressOfData;
    } u1;
} IMAGE_THUNK_DATA;
typedef struct _IMAGE_IMPORT_BY_NAME {
    WORD Hint;
    char Name[1];
} IMAGE_IMPORT_BY_NAME;

// ---- files --------------------------------------------------------------------------------------
#define INVALID_HANDLE_VALUE ((HANDLE)(LONG_PTR)-1)
#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)
#define FILE_ATTRIBUTE_DIRECTORY 0x10
#define FILE_ATTRIBUTE_NORMAL 0x80
#define FILE_ATTRIBUTE_REPARSE_POINT 0x400  // a symbolic link
#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define FILE_SHARE_READ 0x1
#define FILE_SHARE_WRITE 0x2
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define FILE_TYPE_UNKNOWN 0x0
#define FILE_TYPE_DISK 0x1
#define FILE_TYPE_CHAR 0x2
#define FILE_TYPE_PIPE 0x3

typedef enum _GET_FILEEX_INFO_LEVELS { GetFileExInfoStandard } GET_FILEEX_INFO_LEVELS;
typedef struct _WIN32_FILE_ATTRIBUTE_DATA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
} WIN32_FILE_ATTRIBUTE_DATA;
typedef struct _WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    CHAR cFileName[MAX_PATH];
} WIN32_FIND_DATAA;

HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD share, void* security, DWORD disposition,
                   DWORD attributes, HANDLE templateFile);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytes, LPDWORD got, void* overlapped);
BOOL WriteFile(HANDLE file, const void* buffer, DWORD bytes, LPDWORD written, void* overlapped);
BOOL CloseHandle(HANDLE handle);
BOOL GetFileSizeEx(HANDLE file, LARGE_INTEGER* size);
DWORD GetFileType(HANDLE file);
DWORD GetFileAttributesA(LPCSTR path);
BOOL GetFileAttributesExA(LPCSTR path, GET_FILEEX_INFO_LEVELS level, LPVOID data);
DWORD GetFullPathNameA(LPCSTR path, DWORD size, LPSTR full, LPSTR* filePart);
BOOL CopyFileA(LPCSTR from, LPCSTR to, BOOL failIfExists);
BOOL DeleteFileA(LPCSTR path);
BOOL CreateDirectoryA(LPCSTR path, void* security);
BOOL RemoveDirectoryA(LPCSTR path);
DWORD GetTempPathA(DWORD size, LPSTR path);  // $TMPDIR (else /tmp) with a slash at its end
HANDLE FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* found);  // a folder and a wildcard
BOOL FindNextFileA(HANDLE search, WIN32_FIND_DATAA* found);
BOOL FindClose(HANDLE search);

// The same calls with UTF-16 names (one unit per wchar_t, as MultiByteToWideChar gives them): each
// name is made UTF-8, the file names of this system, and handed to the call above. There are no
// short names: GetShortPathNameW and GetLongPathNameW give the path as it is.
typedef struct _WIN32_FIND_DATAW {
    DWORD dwFileAttributes;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    WCHAR cFileName[MAX_PATH];
} WIN32_FIND_DATAW;
HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD share, void* security, DWORD disposition,
                   DWORD attributes, HANDLE templateFile);
DWORD GetFileAttributesW(LPCWSTR path);
BOOL GetFileAttributesExW(LPCWSTR path, GET_FILEEX_INFO_LEVELS level, LPVOID data);
DWORD GetFullPathNameW(LPCWSTR path, DWORD size, LPWSTR full, LPWSTR* filePart);
DWORD GetShortPathNameW(LPCWSTR path, LPWSTR shortPath, DWORD size);
DWORD GetLongPathNameW(LPCWSTR path, LPWSTR longPath, DWORD size);
BOOL CopyFileW(LPCWSTR from, LPCWSTR to, BOOL failIfExists);
BOOL DeleteFileW(LPCWSTR path);
BOOL CreateDirectoryW(LPCWSTR path, void* security);
BOOL RemoveDirectoryW(LPCWSTR path);
HANDLE FindFirstFileW(LPCWSTR pattern, WIN32_FIND_DATAW* found);
BOOL FindNextFileW(HANDLE search, WIN32_FIND_DATAW* found);
HMODULE LoadLibraryW(LPCWSTR path);
DWORD GetModuleFileNameW(HMODULE module, LPWSTR path, DWORD size);
DWORD CharUpperBuffW(LPWSTR text, DWORD units);  // ASCII letters
#include <stdio.h>
FILE* _wfopen(const wchar_t* path, const wchar_t* mode);
int _write(int fd, const void* buffer, unsigned int bytes);

// ---- text ---------------------------------------------------------------------------------------
// The conversions know code page 932 and UTF-8 (CP_UTF8), as the workbench uses them.
#define CP_ACP 0
#define CP_UTF8 65001
#define MB_ERR_INVALID_CHARS 0x08
#define WC_NO_BEST_FIT_CHARS 0x400
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int bytes, LPWSTR wide, int units);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int units, LPSTR text, int bytes,
                        LPCSTR defaultChar, LPBOOL usedDefaultChar);
inline UINT GetACP(void) { return 932; }        // the host's code page
BOOL IsDBCSLeadByte(BYTE c);                    // a lead byte of code page 932
DWORD CharUpperBuffA(LPSTR text, DWORD bytes);  // ASCII letters; code page 932 characters stay

// ---- images -------------------------------------------------------------------------------------
#define BI_RGB 0
#pragma pack(push, 2)
typedef struct tagBITMAPFILEHEADER {
    WORD bfType;
    DWORD bfSize;
    WORD bfReserved1;
    WORD bfReserved2;
    DWORD bfOffBits;
} BITMAPFILEHEADER;
#pragma pack(pop)
typedef struct tagBITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
} BITMAPINFOHEADER;
typedef struct tagRGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
} RGBQUAD;

// ---- windows: there are none --------------------------------------------------------------------
#define WM_DESTROY 0x0002
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_COMMAND 0x0111
#define PM_REMOVE 0x0001
#define GA_ROOT 2
#define SW_HIDE 0
#define SW_SHOW 5
#define SW_SHOWNA 8
#define WS_OVERLAPPEDWINDOW 0x00CF0000L
#define COLOR_APPWORKSPACE 12
#define IDC_ARROW ((LPCSTR)32512)
#define LoadCursor(instance, name) ((HCURSOR) nullptr)

typedef struct tagPOINT {
    LONG x, y;
} POINT;
typedef struct tagRECT {
    LONG left, top, right, bottom;
} RECT;
typedef struct tagMSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
} MSG;
typedef struct tagWNDCLASSEXA {
    UINT cbSize;
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
    HICON hIconSm;
} WNDCLASSEXA;

inline BOOL GetClassInfoExA(HINSTANCE, LPCSTR, WNDCLASSEXA*) { return FALSE; }
inline WORD RegisterClassExA(const WNDCLASSEXA*) { return 0; }
inline HWND CreateWindowExA(DWORD, LPCSTR, LPCSTR, DWORD, int, int, int, int, HWND, HMENU,
                            HINSTANCE, LPVOID) {
    return nullptr;
}
inline BOOL IsWindow(HWND) { return FALSE; }
inline BOOL ShowWindow(HWND, int) { return FALSE; }
inline BOOL InvalidateRect(HWND, const RECT*, BOOL) { return FALSE; }
inline LRESULT DefWindowProcA(HWND, UINT, WPARAM, LPARAM) { return 0; }
inline BOOL PeekMessageA(MSG*, HWND, UINT, UINT, UINT) { return FALSE; }
inline BOOL TranslateMessage(const MSG*) { return FALSE; }
inline LRESULT DispatchMessageA(const MSG*) { return 0; }
inline BOOL IsDialogMessageA(HWND, MSG*) { return FALSE; }
inline HWND GetAncestor(HWND, UINT) { return nullptr; }
inline HWND GetParent(HWND) { return nullptr; }
inline int GetClassNameA(HWND, LPSTR, int) { return 0; }

// The plug-in object's own calls on its panel, whose window this build never has.
typedef INT_PTR (*DLGPROC)(HWND, UINT, WPARAM, LPARAM);
typedef struct tagNMHDR {
    HWND hwndFrom;
    UINT_PTR idFrom;
    UINT code;
} NMHDR;
#define MAKEINTRESOURCEA(id) \
    (reinterpret_cast<LPSTR>(static_cast<ULONG_PTR>(static_cast<WORD>(id))))
inline HWND CreateDialogParamA(HINSTANCE, LPCSTR, HWND, DLGPROC, LPARAM) { return nullptr; }
inline BOOL UpdateWindow(HWND) { return FALSE; }
inline BOOL DestroyWindow(HWND) { return FALSE; }
inline int GetWindowTextA(HWND, LPSTR text, int size) {
    if (text && size > 0) text[0] = '\0';
    return 0;
}
#define MB_OK 0x00000000
#define MB_ICONINFORMATION 0x00000040
inline int MessageBoxA(HWND, LPCSTR, LPCSTR, UINT) { return 0; }
