#include "workbench/render/RasterizeScene.h"

#include <math.h>

#include <algorithm>

#include "workbench/render/Vec3.h"
#include "workbench/render/SceneTriangles.h"

namespace {

const float kAmbientLight = 0.45f;
// Toward the light in camera space (x right, y up, z toward the viewer): upper left, in front.
const float kLightInView[3] = {-0.4f, 0.55f, 0.73f};
const int kSubpixelBits = 4;  // screen positions snap to 1/16 sample
const int kMaxClipVertices = 16;

// Attributes carried across a triangle: red, green, blue, alpha, light, u, v.
enum { kAttrR, kAttrG, kAttrB, kAttrA, kAttrLight, kAttrU, kAttrV, kAttrCount };

struct ClipVertex {
    float x, y, d;  // camera space
    float attr[kAttrCount];
};

// A vertex ready for the rasteriser: fixed-point screen position and attributes over depth.
struct ScreenVertex {
    int64_t x, y;
    double invDepth;
    double attr[kAttrCount];  // attribute / depth
};

struct Context {
    const RenderScene* scene;
    SampleBuffer* target;
    float focal;      // samples per unit of x / depth
    float centerX, centerY;
    float guard;      // half-size of the guard band in samples
    float nearDepth;
};

float Clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

// Nearest texel lookup with wrap-around; v = 0 is the image's top row. (Nearest keeps small
// textures crisp and their borders free of the opposite edge's colour.)
void SampleTexture(const SceneTexture& tex, float u, float v, float* rgba) {
    auto wrap = [](float c, int32_t n) {
        double m = fmod(floor(static_cast<double>(c) * n), static_cast<double>(n));
        if (!isfinite(m)) return 0;
        if (m < 0) m = m + n;
        const int32_t i = static_cast<int32_t>(m);
        return i >= n ? n - 1 : (i < 0 ? 0 : i);
    };
    const int32_t x = wrap(u, tex.width), y = wrap(v, tex.height);
    const uint8_t* p = &tex.rgba[(static_cast<size_t>(y) * tex.width + x) * 4];
    for (int k = 0; k < 4; ++k) rgba[k] = p[k] * (1.0f / 255.0f);
}

// Sutherland-Hodgman against one plane; plane(v) >= 0 is kept.
template <typename Plane>
int ClipPolygon(const ClipVertex* in, int count, ClipVertex* out, Plane plane) {
    int n = 0;
    for (int i = 0; i < count; ++i) {
        const ClipVertex& a = in[i];
        const ClipVertex& b = in[(i + 1) % count];
        const float da = plane(a), db = plane(b);
        if (da >= 0.0f && n < kMaxClipVertices) out[n++] = a;
        if ((da >= 0.0f) != (db >= 0.0f) && n < kMaxClipVertices) {
            const float t = da / (da - db);
            ClipVertex& c = out[n++];
            c.x = a.x + (b.x - a.x) * t;
            c.y = a.y + (b.y - a.y) * t;
            c.d = a.d + (b.d - a.d) * t;
            for (int k = 0; k < kAttrCount; ++k) c.attr[k] = a.attr[k] + (b.attr[k] - a.attr[k]) * t;
        }
    }
    return n;
}

// Edge function of p against the directed edge a -> b (twice the signed area).
int64_t Edge(const ScreenVertex& a, const ScreenVertex& b, int64_t px, int64_t py) {
    return (b.x - a.x) * (py - a.y) - (b.y - a.y) * (px - a.x);
}

// Whether a sample exactly on edge a -> b belongs to this triangle: of the two triangles that
// share an edge (walking it in opposite directions) exactly one owns it.
bool OwnsEdge(const ScreenVertex& a, const ScreenVertex& b) {
    const int64_t dx = b.x - a.x, dy = b.y - a.y;
    return dy > 0 || (dy == 0 && dx < 0);
}

void FillTriangle(const Context& ctx, const ScreenVertex* v0, const ScreenVertex* v1,
                  const ScreenVertex* v2, const SceneMaterial& material, bool blend) {
    int64_t area = Edge(*v0, *v1, v2->x, v2->y);
    if (area == 0) return;
    if (area < 0) {
        std::swap(v1, v2);
        area = -area;
    }
    SampleBuffer& target = *ctx.target;
    const int64_t one = int64_t(1) << kSubpixelBits, halfSample = one / 2;
    const int64_t minX = std::min({v0->x, v1->x, v2->x}), maxX = std::max({v0->x, v1->x, v2->x});
    const int64_t minY = std::min({v0->y, v1->y, v2->y}), maxY = std::max({v0->y, v1->y, v2->y});
    const int64_t xs = std::max<int64_t>(0, (minX - halfSample + one - 1) >> kSubpixelBits);
    const int64_t xe = std::min<int64_t>(target.width - 1, (maxX - halfSample) >> kSubpixelBits);
    const int64_t ys = std::max<int64_t>(0, (minY - halfSample + one - 1) >> kSubpixelBits);
    const int64_t ye = std::min<int64_t>(target.height - 1, (maxY - halfSample) >> kSubpixelBits);
    const bool own0 = OwnsEdge(*v1, *v2), own1 = OwnsEdge(*v2, *v0), own2 = OwnsEdge(*v0, *v1);
    const SceneTexture* texture =
        (material.texture >= 0 && material.texture < static_cast<int32_t>(ctx.scene->textures.size()))
            ? &ctx.scene->textures[material.texture]
            : nullptr;
    const double invArea = 1.0 / static_cast<double>(area);

    for (int64_t y = ys; y <= ye; ++y) {
        const int64_t py = (y << kSubpixelBits) + halfSample;
        for (int64_t x = xs; x <= xe; ++x) {
            const int64_t px = (x << kSubpixelBits) + halfSample;
            const int64_t w0 = Edge(*v1, *v2, px, py);
            const int64_t w1 = Edge(*v2, *v0, px, py);
            const int64_t w2 = Edge(*v0, *v1, px, py);
            if (w0 < 0 || w1 < 0 || w2 < 0) continue;
            if ((w0 == 0 && !own0) || (w1 == 0 && !own1) || (w2 == 0 && !own2)) continue;
            const double b0 = w0 * invArea, b1 = w1 * invArea, b2 = w2 * invArea;
            const double invDepth = b0 * v0->invDepth + b1 * v1->invDepth + b2 * v2->invDepth;
            const size_t index = static_cast<size_t>(y) * target.width + static_cast<size_t>(x);
            if (!(invDepth > target.depth[index])) continue;
            float attr[kAttrCount];
            for (int k = 0; k < kAttrCount; ++k)
                attr[k] = static_cast<float>(
                    (b0 * v0->attr[k] + b1 * v1->attr[k] + b2 * v2->attr[k]) / invDepth);
            float texel[4] = {1.0f, 1.0f, 1.0f, 1.0f};
            if (texture) SampleTexture(*texture, attr[kAttrU], attr[kAttrV], texel);
            const float light = Clamp01(attr[kAttrLight]);
            float* dst = &target.color[index * 3];
            if (blend) {
                const float a = Clamp01(attr[kAttrA] * texel[3]);
                if (!(a > 0.0f)) continue;
                for (int k = 0; k < 3; ++k) {
                    const float c = Clamp01(attr[kAttrR + k] * texel[k] * light);
                    dst[k] = c * a + dst[k] * (1.0f - a);
                }
            } else {
                for (int k = 0; k < 3; ++k) dst[k] = Clamp01(attr[kAttrR + k] * texel[k] * light);
                target.depth[index] = invDepth;
            }
        }
    }
}

// Clips a camera-space triangle to the near depth and the guard band, then fills it.
void DrawTriangle(const Context& ctx, const ClipVertex* corners, const SceneMaterial& material,
                  bool blend) {
    ClipVertex a[kMaxClipVertices], b[kMaxClipVertices];
    for (int k = 0; k < 3; ++k) a[k] = corners[k];
    const float nearDepth = ctx.nearDepth, focal = ctx.focal, guard = ctx.guard;
    int n = ClipPolygon(a, 3, b, [&](const ClipVertex& v) { return v.d - nearDepth; });
    n = ClipPolygon(b, n, a, [&](const ClipVertex& v) { return guard * v.d - focal * v.x; });
    n = ClipPolygon(a, n, b, [&](const ClipVertex& v) { return guard * v.d + focal * v.x; });
    n = ClipPolygon(b, n, a, [&](const ClipVertex& v) { return guard * v.d - focal * v.y; });
    n = ClipPolygon(a, n, b, [&](const ClipVertex& v) { return guard * v.d + focal * v.y; });
    if (n < 3) return;

    ScreenVertex s[kMaxClipVertices];
    const float scale = static_cast<float>(1 << kSubpixelBits);
    for (int i = 0; i < n; ++i) {
        const ClipVertex& c = b[i];
        if (!(c.d > 0.0f)) return;
        const float sx = ctx.centerX + focal * c.x / c.d;
        const float sy = ctx.centerY - focal * c.y / c.d;
        if (!isfinite(sx) || !isfinite(sy)) return;
        s[i].x = static_cast<int64_t>(floorf(sx * scale + 0.5f));
        s[i].y = static_cast<int64_t>(floorf(sy * scale + 0.5f));
        s[i].invDepth = 1.0 / static_cast<double>(c.d);
        for (int k = 0; k < kAttrCount; ++k) s[i].attr[k] = c.attr[k] * s[i].invDepth;
    }
    for (int i = 1; i + 1 < n; ++i) FillTriangle(ctx, &s[0], &s[i], &s[i + 1], material, blend);
}

struct PreparedTriangle {
    ClipVertex corners[3];
    float centerDepth;
    bool opaque;
};

// What the rasteriser needs of a triangle, the same every time it is asked.
struct Shading {
    const RenderScene* scene;
    const RenderCamera* camera;
    float light[3];  // unit vector toward the light, in world space
    bool cullBackFaces;

    const SceneMaterial& material(int32_t index) const {
        static const SceneMaterial fallback;
        return index >= 0 && index < static_cast<int32_t>(scene->materials.size()) ? scene->materials[index]
                                                                                  : fallback;
    }
};

enum class Prepared { Culled, NotFinite, Ready };

// tri's corners in camera space with their colour, light and UVs; whether it is drawn at all.
Prepared PrepareTriangle(const Shading& shading, const SceneTriangle& tri, PreparedTriangle* prepared) {
    const RenderCamera& camera = *shading.camera;
    const RenderScene& scene = *shading.scene;
    float normal[3], toEye[3];
    TriangleFrontNormal(tri.position[0], tri.position[1], tri.position[2], normal);
    Vec3Sub(camera.eye, tri.position[0], toEye);
    const bool facing = Vec3Dot(normal, toEye) > 0.0f;
    if (!facing && shading.cullBackFaces) return Prepared::Culled;
    const SceneMaterial& material = shading.material(tri.material);
    const bool textured = material.texture >= 0 &&
                          material.texture < static_cast<int32_t>(scene.textures.size());
    bool opaque = material.alpha >= 1.0f && !(textured && scene.textures[material.texture].hasAlpha);

    prepared->centerDepth = 0.0f;
    for (int k = 0; k < 3; ++k) {
        ClipVertex& c = prepared->corners[k];
        float rel[3];
        Vec3Sub(tri.position[k], camera.eye, rel);
        c.x = Vec3Dot(rel, camera.right);
        c.y = Vec3Dot(rel, camera.up);
        c.d = Vec3Dot(rel, camera.forward);
        prepared->centerDepth += c.d;

        float n[3] = {tri.normal[k][0], tri.normal[k][1], tri.normal[k][2]};
        if (!facing) Vec3Set(n, -n[0], -n[1], -n[2]);
        const float lambert = std::max(0.0f, Vec3Dot(n, shading.light));
        c.attr[kAttrLight] = material.emission + material.ambient * kAmbientLight + material.diffuse * lambert;
        float base[4] = {material.color[0], material.color[1], material.color[2], material.alpha};
        if (textured) base[0] = base[1] = base[2] = 1.0f;
        if (material.vertexColors) {
            const uint32_t v = tri.color[k];
            const float bytes[4] = {static_cast<float>(v & 255), static_cast<float>((v >> 8) & 255),
                                    static_cast<float>((v >> 16) & 255), static_cast<float>(v >> 24)};
            for (int j = 0; j < 3; ++j) base[j] = bytes[j] * (1.0f / 255.0f);
            base[3] = material.alpha * bytes[3] * (1.0f / 255.0f);
            if ((v >> 24) != 255) opaque = false;
        }
        for (int j = 0; j < 4; ++j) c.attr[kAttrR + j] = base[j];
        c.attr[kAttrU] = tri.uv[k][0];
        c.attr[kAttrV] = tri.uv[k][1];
    }
    prepared->opaque = opaque;
    for (int k = 0; k < 3; ++k)
        if (!isfinite(prepared->corners[k].x) || !isfinite(prepared->corners[k].y) ||
            !isfinite(prepared->corners[k].d))
            return Prepared::NotFinite;
    return Prepared::Ready;
}

// A triangle drawn after the opaque ones: where it comes from (it is made and prepared again
// then, which gives the same result) and its depth, 16 bytes instead of the prepared 130.
struct LaterTriangle {
    uint32_t mesh;
    int32_t face;
    uint16_t triangle;
    uint16_t mirror;
    float centerDepth;
};

}  // namespace

void RasterizeScene(const RenderScene& scene, const RenderCamera& camera, bool cullBackFaces,
                    SampleBuffer* target, RenderStats* stats) {
    if (!target || target->width <= 0 || target->height <= 0) return;
    const size_t samples = static_cast<size_t>(target->width) * target->height;
    if (target->color.size() < samples * 3 || target->depth.size() < samples) return;

    Context ctx;
    ctx.scene = &scene;
    ctx.target = target;
    ctx.focal = 0.5f * target->height / tanf(0.5f * camera.fovY);
    ctx.centerX = 0.5f * target->width;
    ctx.centerY = 0.5f * target->height;
    ctx.guard = 2.0f * static_cast<float>(std::max(target->width, target->height));
    ctx.nearDepth = camera.nearDepth;

    Shading shading;
    shading.scene = &scene;
    shading.camera = &camera;
    shading.cullBackFaces = cullBackFaces;
    for (int k = 0; k < 3; ++k)
        shading.light[k] = camera.right[k] * kLightInView[0] + camera.up[k] * kLightInView[1] -
                           camera.forward[k] * kLightInView[2];
    Vec3Normalize(shading.light);

    std::vector<LaterTriangle> transparent;
    for (size_t m = 0; m < scene.meshes.size(); ++m)
        ForEachMeshTriangle(scene.meshes[m], [&](const SceneTriangle& tri, const SceneTriangleRef& ref) {
            PreparedTriangle prepared;
            const Prepared result = PrepareTriangle(shading, tri, &prepared);
            if (result == Prepared::Culled && stats) ++stats->trianglesCulled;
            if (result != Prepared::Ready) return;
            if (stats) ++stats->trianglesDrawn;
            if (prepared.opaque) {
                DrawTriangle(ctx, prepared.corners, shading.material(tri.material), false);
            } else {
                if (stats) ++stats->trianglesTransparent;
                transparent.push_back({static_cast<uint32_t>(m), ref.face, static_cast<uint16_t>(ref.triangle),
                                       static_cast<uint16_t>(ref.mirror), prepared.centerDepth});
            }
        });

    std::stable_sort(transparent.begin(), transparent.end(),
                     [](const LaterTriangle& a, const LaterTriangle& b) { return a.centerDepth > b.centerDepth; });
    for (const LaterTriangle& later : transparent) {
        SceneTriangle tri;
        MakeSceneTriangle(scene.meshes[later.mesh], {later.face, later.triangle, later.mirror}, &tri);
        PreparedTriangle prepared;
        if (PrepareTriangle(shading, tri, &prepared) == Prepared::Ready)
            DrawTriangle(ctx, prepared.corners, shading.material(tri.material), true);
    }
}
