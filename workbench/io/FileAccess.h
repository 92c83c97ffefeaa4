// Where the workbench's paths meet the system. Paths are UTF-8 strings everywhere in the
// workbench (the command line's, the scene files', the output's), so that a name in any script is
// used exactly as given; these functions turn them into the system's wide-character calls. Only
// the host's own text, which the plug-in reads, is in code page 932 (see HostReadablePath).
#pragma once

#include <stdint.h>
#include <stdio.h>

#include <string>

#include "workbench/host/Workbench.h"

namespace wb {

// UTF-8 and the system's UTF-16, both ways. Ill-formed UTF-8 gives U+FFFD.
WORKBENCH_API std::wstring WideFromUtf8(const std::string& utf8);
WORKBENCH_API std::string Utf8FromWide(const std::wstring& wide);

// fopen of a UTF-8 path; NULL when it cannot be opened.
WORKBENCH_API FILE* OpenFile(const std::string& path, const char* mode);
WORKBENCH_API bool IsRegularFile(const std::string& path);
WORKBENCH_API bool IsFolder(const std::string& path);
// The file's size in bytes; false when it is no regular file.
WORKBENCH_API bool FileSize(const std::string& path, uint64_t* size);
// The whole file into *bytes; false when it is no regular file, cannot be read, or holds more than
// maxBytes.
WORKBENCH_API bool ReadWholeFile(const std::string& path, uint64_t maxBytes, std::string* bytes);
// Copies a file, replacing to.
WORKBENCH_API bool CopyFileTo(const std::string& from, const std::string& to);
// The absolute form of path (backslashes, no "." or ".."); empty when it has none.
WORKBENCH_API std::string AbsolutePath(const std::string& path);

// A name for the existing file or folder at path (UTF-8) that calls taking code page 932 can open,
// as the host's image loader and the plug-in's open-file dialog do: the path itself when code
// page 932 holds every character of it, else its short (8.3) form. Empty when there is none (the
// volume keeps no short names).
WORKBENCH_API std::string HostReadablePath(const std::string& path);
// A path the host handed out (code page 932, maybe in short form) as UTF-8, in its long form.
WORKBENCH_API std::string PathFromHost(const std::string& hostPath);

}  // namespace wb
