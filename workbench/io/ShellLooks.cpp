#include "workbench/io/ShellLooks.h"

#include <stdio.h>

#include <set>

#include "workbench/io/SceneFile.h"

namespace wb {
namespace detail {

namespace {

bool Unnamed(const Material* m) { return m->name.empty() && m->nameOriginal.empty(); }

int32_t IntValue(const Material& m, int32_t key) {
    for (const auto& value : m.intValues)
        if (value.first == key) return value.second;
    return 0;
}

bool SameSwitches(const Material& a, const Material& b) {
    std::set<int32_t> keys;
    for (const auto& value : a.intValues) keys.insert(value.first);
    for (const auto& value : b.intValues) keys.insert(value.first);
    for (const int32_t key : keys)
        if (IntValue(a, key) != IntValue(b, key)) return false;
    return true;
}

// The name of an unnamed look: what the plug-in's shell materials are, else empty.
std::string ShellLookName(const Material& m) {
    const bool textured = !m.texture.empty() || !m.alphaTexture.empty() || !m.bumpTexture.empty();
    if (textured || m.emission < 1.0f) return "";
    std::string name;
    if (ShowsVertexColors(&m))
        name = kTracedShellLook;
    else if (m.color.r == 0.0f && m.color.g == 0.0f && m.color.b == 0.0f)
        name = kBlackShellLook;
    else
        return "";
    if (m.alpha < 1.0f) {
        char alpha[32];
        snprintf(alpha, sizeof alpha, " alpha %.3g", m.alpha);
        name += alpha;
    }
    return name;
}

}  // namespace

bool SameLook(const Material& a, const Material& b) {
    return a.color.r == b.color.r && a.color.g == b.color.g && a.color.b == b.color.b &&
           a.alpha == b.alpha && a.diffuse == b.diffuse && a.ambient == b.ambient &&
           a.emission == b.emission && a.specular == b.specular && a.power == b.power &&
           a.texture == b.texture && a.alphaTexture == b.alphaTexture &&
           a.bumpTexture == b.bumpTexture && a.textureOriginal == b.textureOriginal &&
           a.alphaTextureOriginal == b.alphaTextureOriginal &&
           a.bumpTextureOriginal == b.bumpTextureOriginal && SameSwitches(a, b);
}

MaterialLooks SavedMaterialLooks(const Document* d) {
    const size_t n = d->materials.size();
    MaterialLooks looks;
    looks.look.assign(n, -1);
    looks.name.assign(n, "");
    std::vector<int32_t> unnamedLooks;  // slots that stand for an unnamed look
    for (size_t i = 0; i < n; ++i) {
        const Material* m = d->materials[i];
        if (!m) continue;
        looks.look[i] = static_cast<int32_t>(i);
        if (!Unnamed(m)) continue;
        for (const int32_t earlier : unnamedLooks)
            if (SameLook(*d->materials[earlier], *m)) {
                looks.look[i] = earlier;
                break;
            }
        if (looks.look[i] == static_cast<int32_t>(i)) unnamedLooks.push_back(looks.look[i]);
    }
    // Named materials take their names first, then the unnamed looks theirs.
    std::set<std::string> taken = {kNoMaterial};
    for (const bool named : {true, false}) {
        for (size_t i = 0; i < n; ++i) {
            const Material* m = d->materials[i];
            if (!m || looks.look[i] != static_cast<int32_t>(i) || Unnamed(m) == named) continue;
            std::string name = named ? Sanitized(OriginalText(m->name, m->nameOriginal)) : ShellLookName(*m);
            if (name.empty() || (named && taken.count(name))) name = "material" + std::to_string(i);
            while (taken.count(name)) name += "_";
            taken.insert(name);
            looks.name[i] = name;
        }
    }
    for (size_t i = 0; i < n; ++i)
        if (looks.look[i] >= 0) looks.name[i] = looks.name[looks.look[i]];
    return looks;
}

}  // namespace detail
}  // namespace wb
