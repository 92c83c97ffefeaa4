// The host functions of the material family: colours, light factors, textures and properties.
#include "workbench/host/HostFunctionSupport.h"

using namespace wb::detail;

extern "C" {

// ---- material -------------------------------------------------------------------------------

void MQMat_Delete(HostMaterial mat) {
    REC(mat);
    Material* m = AsMaterial(mat);
    if (m && m->owner == Owner::None) DestroyMaterial(m);
}

int32_t MQMat_GetIntValue(HostMaterial mat, int32_t key) {
    REC(mat, key);
    Material* m = AsMaterial(mat);
    return m ? GetIntPair(m->intValues, key) : 0;
}

void MQMat_GetFloatArray(HostMaterial mat, int32_t key, float* values) {
    REC(mat, key, values);
}

void MQMat_GetName(HostMaterial mat, char* buffer, int32_t size) {
    REC(mat, buffer, size);
    Material* m = AsMaterial(mat);
    CopyText(m ? m->name : std::string(), buffer, size);
}

void MQMat_GetColor(HostMaterial mat, HostRGB* out) {
    REC(mat, out);
    Material* m = AsMaterial(mat);
    if (out) *out = m ? m->color : HostRGB{0.0f, 0.0f, 0.0f};
}

#define WB_MAT_FLOAT(field, getter, setter)   \
    float getter(HostMaterial mat) {          \
        REC(mat);                             \
        Material* m = AsMaterial(mat);        \
        return m ? m->field : 0.0f;           \
    }                                         \
    void setter(HostMaterial mat, float value) { \
        REC(mat, value);                      \
        if (Material* m = AsMaterial(mat)) m->field = value; \
    }

WB_MAT_FLOAT(alpha, MQMat_GetAlpha, MQMat_SetAlpha)
WB_MAT_FLOAT(diffuse, MQMat_GetDiffuse, MQMat_SetDiffuse)
WB_MAT_FLOAT(ambient, MQMat_GetAmbient, MQMat_SetAmbient)
WB_MAT_FLOAT(emission, MQMat_GetEmission, MQMat_SetEmission)
WB_MAT_FLOAT(specular, MQMat_GetSpecular, MQMat_SetSpecular)
WB_MAT_FLOAT(power, MQMat_GetPower, MQMat_SetPower)
#undef WB_MAT_FLOAT

#define WB_MAT_TEXT(field, getter, setter)                      \
    void getter(HostMaterial mat, char* buffer, int32_t size) { \
        REC(mat, buffer, size);                                 \
        Material* m = AsMaterial(mat);                          \
        CopyText(m ? m->field : std::string(), buffer, size);   \
    }                                                           \
    void setter(HostMaterial mat, const char* name) {           \
        REC(mat, name);                                         \
        if (Material* m = AsMaterial(mat)) {                    \
            m->field = SafeString(name);                        \
            m->field##Original.clear();                         \
        }                                                       \
    }

WB_MAT_TEXT(texture, MQMat_GetTextureName, MQMat_SetTextureName)
WB_MAT_TEXT(alphaTexture, MQMat_GetAlphaName, MQMat_SetAlphaName)
WB_MAT_TEXT(bumpTexture, MQMat_GetBumpName, MQMat_SetBumpName)
#undef WB_MAT_TEXT

void MQMat_SetIntValue(HostMaterial mat, int32_t key, int32_t value) {
    REC(mat, key, value);
    if (Material* m = AsMaterial(mat)) SetIntPair(m->intValues, key, value);
}

void MQMat_SetFloatArray(HostMaterial mat, int32_t key, const float* values) {
    REC(mat, key, values);
}

void MQMat_SetName(HostMaterial mat, const char* name) {
    REC(mat, name);
    if (Material* m = AsMaterial(mat)) {
        m->name = SafeString(name);
        m->nameOriginal.clear();
    }
}

void MQMat_SetColor(HostMaterial mat, const HostRGB* color) {
    REC(mat, color);
    Material* m = AsMaterial(mat);
    if (m && color) m->color = *color;
}

}  // extern "C"
