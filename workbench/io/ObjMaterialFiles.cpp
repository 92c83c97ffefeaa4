#include "workbench/io/ObjMaterialFiles.h"

#include <ctype.h>
#include <stdint.h>

#include <sstream>
#include <utility>

#include "workbench/io/FileAccess.h"
#include "workbench/io/SceneTextChecks.h"

namespace wb {
namespace detail {

bool ReadSceneText(const std::string& path, const FileEncoding* parseAs, std::string* text,
                   FileEncoding* encoding, std::vector<std::string>* warnings) {
    if (!wb::ReadWholeFile(path, SIZE_MAX / 2, text)) return false;
    if (Utf16ToUtf8(text))
        warnings->push_back(
            path +
            ": UTF-16 text, read as such (most programs read OBJ and MTL files in UTF-8 only)");
    const size_t bom = text->compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    const FileEncoding own =
        IsUtf8(text->data() + bom, text->size() - bom) ? FileEncoding::Utf8 : FileEncoding::Cp932;
    size_t lost = 0;
    if ((parseAs ? *parseAs : own) == FileEncoding::Utf8)
        SceneTextToUtf8(text, encoding, &lost);
    else
        SceneTextToHost(text, encoding, &lost);
    if (lost)
        warnings->push_back(
            path + ": " + std::to_string(lost) +
            " characters that code page 932 lacks are shown to the plug-in as \"?\"");
    return true;
}

std::string MaterialFiles::pathOf(const std::string& name) const {
    const std::string utf8 = parseAs_ == FileEncoding::Utf8 ? name : HostToUtf8(name);
    const bool absolute = (!utf8.empty() && (utf8[0] == '/' || utf8[0] == '\\')) ||
                          (utf8.size() > 1 && utf8[1] == ':' && isalpha(static_cast<unsigned char>(utf8[0])));
    return absolute ? utf8 : folder_ + utf8;
}

bool MaterialFiles::operator()(const std::string& name,
                               std::vector<tinyobj::material_t>* materials,
                               std::map<std::string, int>* names, std::string* warn,
                               std::string* err) {
    const std::string path = pathOf(name);
    FileEncoding encoding;
    std::string bytes;
    if (!ReadSceneText(path, &parseAs_, &bytes, &encoding, &warnings_)) {
        missing_.push_back(path);
        return false;
    }
    std::string mtl = std::move(bytes);
    const std::string repaired =
        TroubleWarning(path, RepairMtlNumbers(&mtl),
                       "colour or alpha values that are no numbers or outside 0..1, read as "
                       "the nearest in range (alpha that is no number as opaque)");
    if (!repaired.empty()) warnings_.push_back(repaired);
    std::istringstream text(std::move(mtl));
    const size_t before = materials->size();
    tinyobj::LoadMtl(names, materials, &text, warn, err);
    // "usemtl" lines name materials by their MaterialKey (see RewriteObjStatements).
    for (size_t i = before; i < materials->size(); ++i)
        names->emplace(MaterialKey((*materials)[i].name), static_cast<int>(i));
    return true;
}

}  // namespace detail
}  // namespace wb
