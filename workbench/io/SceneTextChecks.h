// Checks of an OBJ or MTL file's text for what the loader would otherwise read around quietly:
// numbers that are no numbers, faces too short to be faces, materials no library defines, and
// text in UTF-16.
#pragma once

#include <stddef.h>

#include <functional>
#include <string>
#include <vector>

namespace wb {
namespace detail {

// One kind of trouble in a file: how many lines have it and the first of them (1-based).
struct TextTrouble {
    size_t count = 0;
    size_t firstLine = 0;
    void add(size_t line) {
        if (count++ == 0) firstLine = line;
    }
};

// What ScanObjText finds in an OBJ file's text.
struct ObjTextTrouble {
    TextTrouble badCoordinates;  // "v" lines with a coordinate that is no finite number
    TextTrouble fewCoordinates;  // "v" lines with fewer than three coordinates (the rest read as 0)
    TextTrouble shortFaces;      // "f" lines of fewer than three points
    TextTrouble badColors;       // "v" lines with a colour value that is no finite number
    std::vector<size_t> badVertices;  // 0-based indices (in "v" order) of the badCoordinates lines
    std::vector<size_t> badColorVertices;  // the same of the badColors lines
    // Every "usemtl" name (the rest of its line, see ObjName), each once, with the line it first
    // appears on.
    std::vector<std::pair<std::string, size_t>> materialUses;
};

// Scans the text of an OBJ file (as the host takes it) for the trouble above.
void ScanObjText(const std::string& text, ObjTextTrouble* trouble);

// A name as a statement of an OBJ or MTL file gives it ("o", "usemtl", "newmtl", "mtllib"): the
// rest of its line text[start, end), without the blanks and line break around it. Other
// readers (assimp, tinyobjloader) read "o" and material names so: names may hold spaces.
std::string ObjName(const std::string& text, size_t start, size_t end);

// The form of a material name in which the OBJ reader, which takes one word after "usemtl",
// takes all of it: ObjName's name with its inner blanks made kNameBlank.
constexpr char kNameBlank = '\x1F';
std::string MaterialKey(const std::string& name);

// Rewrites, in place and keeping every line where it is, the statements of an OBJ file's text
// that the OBJ reader would misread or refuse:
// - a face ("f") with a corner that is no index (0, not a number, a number int cannot hold, or an
//   empty texture or normal index: "f 0 1 2", "f a b c", "f 1// 2// 3//") becomes a comment,
//   counted in *badFaces; the reader would refuse the whole file;
// - a "usemtl" name becomes its MaterialKey;
// - a "mtllib" line whose whole rest (ObjName) names a file (libraryExists tells) names that one
//   file, its blanks and "\\" escaped as the reader unescapes them; else its words stay as they
//   are, each a library of its own.
// Statements end at "\n" or "\r", as the reader ends them.
void RewriteObjStatements(std::string* text,
                          const std::function<bool(const std::string&)>& libraryExists,
                          TextTrouble* badFaces);

// Turns the skin-weight statements ("vw") of an OBJ file's text into comments, keeping every line
// where it is, and returns how many there were. The host has no use for skin weights, and the OBJ
// reader converts their joint numbers to int without a range check, which is undefined for a
// number that int cannot hold. Lines end at "\n" or "\r", as the reader ends them.
size_t DropSkinWeights(std::string* text);

// Repairs the numbers of an MTL file's colour and alpha statements in place: a colour value (Kd,
// Ka, Ks, Ke, Tf) that is no number becomes 0, one outside 0..1 the nearer end; an alpha ("d")
// that is no number becomes 1 (opaque), a transparency ("Tr") 0; either outside 0..1 the nearer
// end. Returns the lines changed.
TextTrouble RepairMtlNumbers(std::string* text);

// When bytes is UTF-16 text (a byte-order mark of either order, or, without one, zero bytes in
// every other place of its first line), replaces it with the same text in UTF-8 and returns true.
bool Utf16ToUtf8(std::string* bytes);

// "path: line L: what", with " (N lines)" after it when count is more than one; empty when the
// trouble has no line.
std::string TroubleWarning(const std::string& path, const TextTrouble& trouble,
                           const std::string& what);

}  // namespace detail
}  // namespace wb
