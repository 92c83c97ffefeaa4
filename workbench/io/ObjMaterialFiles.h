// An OBJ scene's text and its material libraries, read for the OBJ reader in one encoding.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "tiny_obj_loader.h"
#include "workbench/io/TextEncoding.h"

namespace wb {
namespace detail {

// A scene file's text (false when it cannot be read) in the encoding the scene is parsed in: the
// OBJ file's own, UTF-8 or code page 932 (parseAs NULL), into which its material libraries are
// converted, so that their names meet. *encoding gets the file's own; UTF-16 text is read as
// such, with a warning naming it; a warning counts the characters that code page 932 lacks,
// which the plug-in sees as "?".
bool ReadSceneText(const std::string& path, const FileEncoding* parseAs, std::string* text,
                   FileEncoding* encoding, std::vector<std::string>* warnings);

// Reads the material libraries an OBJ file names, from its folder, and keeps the names of those
// that are not there (tinyobjloader only tells in passing) and warnings about their text.
class MaterialFiles : public tinyobj::MaterialReader {
public:
    explicit MaterialFiles(const std::string& folder) : folder_(folder) {}

    // The encoding the OBJ file is parsed in, which its libraries are converted to.
    void parseAs(FileEncoding encoding) { parseAs_ = encoding; }

    // The file a library name of the parsed text stands for: an absolute path as it is, any
    // other in the OBJ file's folder.
    std::string pathOf(const std::string& name) const;

    // tinyobjloader's call for a "mtllib" name: reads the library, converted to the OBJ file's
    // encoding and with its numbers repaired, and names its materials by their MaterialKey too.
    bool operator()(const std::string& name, std::vector<tinyobj::material_t>* materials,
                    std::map<std::string, int>* names, std::string* warn, std::string* err) override;

    // The libraries that could not be read (paths), and the warnings about those read.
    const std::vector<std::string>& missing() const { return missing_; }
    const std::vector<std::string>& warnings() const { return warnings_; }

private:
    std::string folder_;
    FileEncoding parseAs_ = FileEncoding::Utf8;
    std::vector<std::string> missing_;
    std::vector<std::string> warnings_;
};

}  // namespace detail
}  // namespace wb
