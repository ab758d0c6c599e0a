// Camera and actor motion follow the scripted scene at a steady 60 frames per second; lighting follows the
// mesh pixel shader (ambient, diffuse and Blinn-Phong terms on a tangent-space normal map) and the post pass.
#include "tools/assets/PreviewRenderer.h"

#include "tools/assets/SkyPainter.h"
#include "tools/assets/TexturePainter.h"
#include "tools/assets/WorldPlan.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{

constexpr float kDegrees = kPi / 180.0f;

struct Pose
{
    Vec3 position;
    float yaw = 0.0f;
    float pitch = 0.0f;
    float roll = 0.0f;
    bool visible = true;
};

Vec3 Turn(const Vec3& v, const Pose& pose)
{
    return RotateY(RotateX(RotateZ(v, pose.roll), pose.pitch), pose.yaw);
}

struct Camera
{
    Vec3 eye, right, up, look;
    bool nightSky = false;
};

// The scene's timeline sampled at 60 frames per second.
struct Timeline
{
    Camera camera;
    float travelZ = -32.0f;
    std::map<int, Pose> poses;
};

Timeline Simulate(double seconds, const std::vector<ActorPlacement>& actors)
{
    Timeline tl;
    for (const ActorPlacement& a : actors)
    {
        tl.poses[a.id] = {a.position, a.yawPitchRoll.x * kDegrees, a.yawPitchRoll.y * kDegrees,
                          a.yawPitchRoll.z * kDegrees};
    }
    const double dt = 1.0 / 60.0;
    float pitch = -kPi;
    Vec3 eye{0.0f, 2.0f, -16.0f};
    bool night = false;
    for (double t = 0.0; t <= seconds + 1e-9; t += dt)
    {
        const float fdt = static_cast<float>(dt);
        if (t < 15.0)
        {
            eye = {0.0f, 2.0f, static_cast<float>(t) - 16.0f};
            pitch += fdt * -0.19634955f;
        }
        if (t >= 15.0 && t < 44.0)
        {
            tl.travelZ += fdt * 16.0f;
            if (tl.travelZ >= 10.0f)
            {
                tl.travelZ -= 43.0f;
            }
            eye = {86.0f, 2.0f, tl.travelZ};
        }
        if (t >= 44.0)
        {
            night = true;
            eye = {0.0f, 96.0f, 0.0f};
        }
        const float z = tl.travelZ;
        auto move = [&](int id, const Vec3& at, float Pose::*angle, float rate) {
            Pose& p = tl.poses[id];
            p.position = at;
            p.*angle += fdt * rate * kDegrees;
        };
        move(5, tl.poses[5].position, &Pose::yaw, 16.0f);
        move(17, tl.poses[17].position, &Pose::yaw, 16.0f);
        move(14, {86.0f, 2.0f, z + 2.0f}, &Pose::yaw, 16.0f);
        if (t >= 22.0 && t < 29.0)
            move(20, {86.9f, 2.0f, z + 3.0f}, &Pose::roll, 12.0f);
        if (t >= 29.0)
            move(20, {0.5f, 2.0f, z + 1.5f}, &Pose::roll, 16.0f);
        if (t >= 15.0 && t < 21.5)
            move(19, {86.9f, 2.0f, z + 3.0f}, &Pose::roll, 12.0f);
        if (t >= 21.5)
            move(19, {0.5f, 2.0f, z + 1.5f}, &Pose::roll, 16.0f);
        move(12, {t < 29.0 ? 186.0f : 86.0f, 2.0f, z + 2.0f}, &Pose::roll, 64.0f);
        move(13, {t < 29.0 ? 186.0f : 86.0f, 2.0f, z + 2.0f}, &Pose::roll, 64.0f);
    }
    const float c = std::cos(pitch);
    const float s = std::sin(pitch);
    tl.camera = {eye, {1.0f, 0.0f, 0.0f}, {0.0f, c, s}, {0.0f, -s, c}, night};
    return tl;
}

Rgba SampleLevel(const std::vector<Image>& levels, float u, float v, float lod)
{
    lod = std::clamp(lod, 0.0f, static_cast<float>(levels.size() - 1));
    const int l0 = static_cast<int>(std::floor(lod));
    const int l1 = std::min(l0 + 1, static_cast<int>(levels.size()) - 1);
    const float f = lod - static_cast<float>(l0);
    const Rgba a = levels[static_cast<size_t>(l0)].Sample(u, v);
    if (f <= 0.0f || l1 == l0)
    {
        return a;
    }
    const Rgba b = levels[static_cast<size_t>(l1)].Sample(u, v);
    return {Mix(a.r, b.r, f), Mix(a.g, b.g, f), Mix(a.b, b.b, f), Mix(a.a, b.a, f)};
}

Vec3 SkyColour(const Image& sky, const Vec3& d)
{
    float theta = std::atan2(d.z, d.x);
    if (theta < 0.0f)
    {
        theta += 2.0f * kPi;
    }
    const float phi = std::acos(std::clamp(d.y, -1.0f, 1.0f));
    return sky.Sample(theta / (2.0f * kPi), phi / kPi).Rgb();
}

struct ViewVertex
{
    Vec3 view;   // camera space: x right, y up, z forward
    Vec3 world;
    Vec3 normal;
    float u, v;
};

ViewVertex LerpVertex(const ViewVertex& a, const ViewVertex& b, float t)
{
    return {Lerp(a.view, b.view, t), Lerp(a.world, b.world, t), Lerp(a.normal, b.normal, t), Mix(a.u, b.u, t),
            Mix(a.v, b.v, t)};
}

}   // namespace

PreviewRenderer::PreviewRenderer() : m_models(ModelSet::BuildAll())
{
    for (TextureOutput& t : TexturePainter::PaintAll(1))
    {
        Image image = t.image;
        if (t.encoding == TextureEncoding::Bmp)
        {
            // The engine's bitmap loader turns images by 180 degrees.
            Image turned(image.Width(), image.Height());
            for (int y = 0; y < image.Height(); ++y)
            {
                for (int x = 0; x < image.Width(); ++x)
                {
                    turned.At(x, y) = image.At(image.Width() - 1 - x, image.Height() - 1 - y);
                }
            }
            image = turned;
        }
        Texture texture;
        texture.levels.push_back(image);
        while (texture.levels.back().Width() > 1 || texture.levels.back().Height() > 1)
        {
            texture.levels.push_back(texture.levels.back().Downsampled(t.isNormalMap));
        }
        m_textures[t.fileName] = std::move(texture);
    }
    m_sky0 = SkyPainter::PaintSunset(2048, 1024);
    m_sky1 = SkyPainter::PaintNight(2048, 1024);
}

Image PreviewRenderer::Render(double seconds, int width, int height) const
{
    const std::vector<ActorPlacement> actors = WorldPlan::Actors();
    const Timeline tl = Simulate(seconds, actors);
    const Camera& cam = tl.camera;
    const float aspect = static_cast<float>(width) / static_cast<float>(height);
    const float tanHalf = 1.0f;   // vertical field of view of 90 degrees
    const float nearZ = 0.1f;
    const float farZ = 1000.0f;
    const Image& sky = cam.nightSky ? m_sky1 : m_sky0;

    const Vec3 lightDirection =
        Turn({0.0f, 0.0f, 1.0f}, {{}, WorldPlan::kLightYaw * kDegrees, WorldPlan::kLightPitch * kDegrees, 0.0f});
    const Vec3 lightAmbient{0.36f, 0.36f, 0.46f};
    const Vec3 lightDiffuse{1.45f, 1.22f, 0.95f};
    const Vec3 lightSpecular{1.0f, 0.85f, 0.65f};

    std::vector<float> depth(static_cast<size_t>(width) * static_cast<size_t>(height),
                             std::numeric_limits<float>::max());
    Image frame(width, height);
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
        {
            const float nx =
                ((static_cast<float>(x) + 0.5f) / static_cast<float>(width) * 2.0f - 1.0f) * aspect * tanHalf;
            const float ny = (1.0f - (static_cast<float>(y) + 0.5f) / static_cast<float>(height) * 2.0f) * tanHalf;
            frame.At(x, y) = Rgba(SkyColour(sky, Normalize(cam.look + cam.right * nx + cam.up * ny)));
        }
    }

    auto project = [&](const Vec3& v, float& sx, float& sy) {
        sx = (v.x / (v.z * aspect * tanHalf) * 0.5f + 0.5f) * static_cast<float>(width);
        sy = (0.5f - v.y / (v.z * tanHalf) * 0.5f) * static_cast<float>(height);
    };

    for (const ActorPlacement& actor : actors)
    {
        if (actor.definition == "Sun")
        {
            continue;
        }
        const ModelOutput* model = nullptr;
        for (const ModelOutput& m : m_models)
        {
            if (m.stem == actor.definition)
            {
                model = &m;
            }
        }
        if (model == nullptr)
        {
            continue;
        }
        const Pose& pose = tl.poses.at(actor.id);
        const Texture& albedo = m_textures.at(model->material.diffuseMap);
        const Texture& normals = m_textures.at(model->material.bumpMap);
        const MeshMaterial& material = model->material;
        const std::vector<MeshVertex>& vertices = model->mesh.Vertices();
        const std::vector<int>& indices = model->mesh.Indices();
        for (size_t i = 0; i + 2 < indices.size(); i += 3)
        {
            ViewVertex tri[3];
            for (int k = 0; k < 3; ++k)
            {
                const MeshVertex& mv = vertices[static_cast<size_t>(indices[i + static_cast<size_t>(k)])];
                const Vec3 world = Turn(mv.position, pose) + pose.position;
                const Vec3 rel = world - cam.eye;
                tri[k] = {{Dot(rel, cam.right), Dot(rel, cam.up), Dot(rel, cam.look)},
                          world,
                          Turn(mv.normal, pose),
                          mv.u,
                          mv.v};
            }
            // Back faces are culled, as with the engine's default rasteriser state.
            const Vec3 faceNormal = Cross(tri[1].world - tri[0].world, tri[2].world - tri[0].world);
            if (Dot(faceNormal, tri[0].world - cam.eye) >= 0.0f)
            {
                continue;
            }
            // Texture-space tangent of the triangle, as the mesh component computes it.
            const Vec3 e1 = tri[1].world - tri[0].world;
            const Vec3 e2 = tri[2].world - tri[0].world;
            const float s1 = tri[1].u - tri[0].u, t1 = tri[1].v - tri[0].v;
            const float s2 = tri[2].u - tri[0].u, t2 = tri[2].v - tri[0].v;
            const float det = s1 * t2 - s2 * t1;
            const Vec3 tangentRaw = (e1 * t2 - e2 * t1) * (std::fabs(det) > 1e-12f ? 1.0f / det : 0.0f);

            // Clip against the near plane.
            std::vector<ViewVertex> poly(tri, tri + 3);
            std::vector<ViewVertex> clipped;
            for (size_t k = 0; k < poly.size(); ++k)
            {
                const ViewVertex& a = poly[k];
                const ViewVertex& b = poly[(k + 1) % poly.size()];
                const bool ina = a.view.z >= nearZ;
                const bool inb = b.view.z >= nearZ;
                if (ina)
                    clipped.push_back(a);
                if (ina != inb)
                    clipped.push_back(LerpVertex(a, b, (nearZ - a.view.z) / (b.view.z - a.view.z)));
            }
            if (clipped.size() < 3)
            {
                continue;
            }
            for (size_t k = 1; k + 1 < clipped.size(); ++k)
            {
                const ViewVertex* p[3] = {&clipped[0], &clipped[k], &clipped[k + 1]};
                float sx[3], sy[3], iz[3];
                for (int c = 0; c < 3; ++c)
                {
                    project(p[c]->view, sx[c], sy[c]);
                    iz[c] = 1.0f / p[c]->view.z;
                }
                const float area = (sx[1] - sx[0]) * (sy[2] - sy[0]) - (sx[2] - sx[0]) * (sy[1] - sy[0]);
                if (std::fabs(area) < 1e-9f)
                    continue;
                const int x0 = std::max(0, static_cast<int>(std::floor(std::min({sx[0], sx[1], sx[2]}))));
                const int x1 = std::min(width - 1, static_cast<int>(std::ceil(std::max({sx[0], sx[1], sx[2]}))));
                const int y0 = std::max(0, static_cast<int>(std::floor(std::min({sy[0], sy[1], sy[2]}))));
                const int y1 = std::min(height - 1, static_cast<int>(std::ceil(std::max({sy[0], sy[1], sy[2]}))));
                auto weights = [&](float px, float py, float w[3]) {
                    w[0] = ((sx[1] - px) * (sy[2] - py) - (sx[2] - px) * (sy[1] - py)) / area;
                    w[1] = ((sx[2] - px) * (sy[0] - py) - (sx[0] - px) * (sy[2] - py)) / area;
                    w[2] = 1.0f - w[0] - w[1];
                };
                // Perspective-correct texture coordinates at a screen point.
                auto uvAt = [&](float px, float py, float& u, float& v, float& viewZ) {
                    float w[3];
                    weights(px, py, w);
                    const float inv = w[0] * iz[0] + w[1] * iz[1] + w[2] * iz[2];
                    u = (w[0] * p[0]->u * iz[0] + w[1] * p[1]->u * iz[1] + w[2] * p[2]->u * iz[2]) / inv;
                    v = (w[0] * p[0]->v * iz[0] + w[1] * p[1]->v * iz[1] + w[2] * p[2]->v * iz[2]) / inv;
                    viewZ = 1.0f / inv;
                    return w[0] >= 0.0f && w[1] >= 0.0f && w[2] >= 0.0f;
                };
                for (int y = y0; y <= y1; ++y)
                {
                    for (int x = x0; x <= x1; ++x)
                    {
                        const float px = static_cast<float>(x) + 0.5f;
                        const float py = static_cast<float>(y) + 0.5f;
                        float u, v, viewZ;
                        if (!uvAt(px, py, u, v, viewZ) || viewZ > farZ)
                            continue;
                        float& stored =
                            depth[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
                        if (viewZ >= stored)
                            continue;
                        stored = viewZ;
                        float ux, vx, uy, vy, unused;
                        uvAt(px + 1.0f, py, ux, vx, unused);
                        uvAt(px, py + 1.0f, uy, vy, unused);
                        const Image& top = albedo.levels[0];
                        const float du = std::max(std::hypot((ux - u) * static_cast<float>(top.Width()),
                                                             (vx - v) * static_cast<float>(top.Height())),
                                                  std::hypot((uy - u) * static_cast<float>(top.Width()),
                                                             (vy - v) * static_cast<float>(top.Height())));
                        const float lod = std::log2(std::max(du, 1e-6f)) - 1.0f;   // a nod to anisotropic filtering
                        const Image& ntop = normals.levels[0];
                        const float nlod =
                            lod + std::log2(static_cast<float>(ntop.Width()) / static_cast<float>(top.Width()));

                        float w[3];
                        weights(px, py, w);
                        const float inv = w[0] * iz[0] + w[1] * iz[1] + w[2] * iz[2];
                        auto interp = [&](const Vec3& a, const Vec3& b, const Vec3& c) {
                            return (a * (w[0] * iz[0]) + b * (w[1] * iz[1]) + c * (w[2] * iz[2])) * (1.0f / inv);
                        };
                        const Vec3 worldPos = interp(p[0]->world, p[1]->world, p[2]->world);
                        const Vec3 n = Normalize(interp(p[0]->normal, p[1]->normal, p[2]->normal));
                        const Vec3 t = Normalize(tangentRaw - n * Dot(tangentRaw, n));
                        const Vec3 b = Cross(n, t);
                        const Rgba nm = SampleLevel(normals.levels, u, v, nlod);
                        const Vec3 bump{nm.r * 2.0f - 1.0f, nm.g * 2.0f - 1.0f, nm.b * 2.0f - 1.0f};
                        const Vec3 normal = Normalize(t * bump.x + b * bump.y + n * bump.z);
                        const Vec3 base = SampleLevel(albedo.levels, u, v, lod).Rgb();
                        const Vec3 toLight = Normalize(-lightDirection);
                        const Vec3 toEye = Normalize(cam.eye - worldPos);
                        const float diffuse = Clamp01(Dot(normal, toLight));
                        const Vec3 halfway = Normalize(toLight + toEye);
                        const float highlight =
                            std::pow(Clamp01(Dot(normal, halfway)), std::max(material.shininess, 1.0f)) *
                            Clamp01(diffuse * 1000.0f);
                        const Vec3 colour =
                            base * (lightAmbient * material.ambient + lightDiffuse * material.diffuse * diffuse) +
                            lightSpecular * material.specular * highlight;
                        frame.At(x, y) = Rgba(colour);
                    }
                }
            }
        }
    }
    // The post pass: tone curve, a touch of warmth and a vignette.
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
        {
            Rgba& p = frame.At(x, y);
            auto curve = [](float c) { return c * (1.0f + c * 0.25f) / (1.0f + c); };
            const float fx = (static_cast<float>(x) + 0.5f) / static_cast<float>(width) - 0.5f;
            const float fy = (static_cast<float>(y) + 0.5f) / static_cast<float>(height) - 0.5f;
            const float vignette = 1.0f - 0.55f * (fx * fx + fy * fy) * 2.0f;
            p = Rgba{Clamp01(curve(p.r) * 1.03f * vignette), Clamp01(curve(p.g) * vignette),
                     Clamp01(curve(p.b) * 0.97f * vignette)};
        }
    }
    return frame;
}
