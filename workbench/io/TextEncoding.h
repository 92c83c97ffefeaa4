// Text between the host, which keeps every name and file name in code page 932, and the files the
// workbench reads and writes: OBJ and MTL files come in UTF-8 (as most tools write them today) or
// in code page 932 (as the modeller writes them); glTF holds UTF-8 only.
#pragma once

#include <stddef.h>

#include <string>

namespace wb {
namespace detail {

// The encodings of the scene files the workbench reads and writes.
enum class FileEncoding { Utf8, Cp932 };

// True when the n bytes at text are well-formed UTF-8 (no overlong forms, no surrogates, nothing
// past U+10FFFF). Plain ASCII is.
bool IsUtf8(const char* text, size_t n);

// The contents of an OBJ or MTL file made into text as the host takes it (code page 932).
//   text      the file's bytes, in place, without a leading UTF-8 byte-order mark (dropped in
//             either case): taken as UTF-8 when the rest is well-formed UTF-8, and converted;
//             else taken as code page 932 and left as they are (bytes that form no code page 932
//             character, as a file in yet another encoding has, are kept for HostToUtf8 to
//             replace).
//   encoding  gets which of the two it was.
//   lost      gets how many characters code page 932 lacks; each became "?".
void SceneTextToHost(std::string* text, FileEncoding* encoding, size_t* lost);

// A host string (code page 932) in UTF-8. Bytes that form no code page 932 character become
// U+FFFD, so that the result is always well-formed UTF-8.
std::string HostToUtf8(const std::string& text);

// A host string as a file of the given encoding holds it: UTF-8 as HostToUtf8 makes it, code
// page 932 as it is.
std::string HostToFile(const std::string& text, FileEncoding encoding);

}  // namespace detail
}  // namespace wb
