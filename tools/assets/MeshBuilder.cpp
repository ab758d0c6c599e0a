// Primitive construction and OBJ/MTL text output for the model generator.
#include "tools/assets/MeshBuilder.h"

#include <cmath>
#include <cstdio>

Frame Frame::Oriented(const Vec3& origin, float yaw, float pitch, float roll)
{
    auto turn = [&](const Vec3& v) { return RotateY(RotateX(RotateZ(v, roll), pitch), yaw); };
    return Frame{origin, turn({1.0f, 0.0f, 0.0f}), turn({0.0f, 1.0f, 0.0f}), turn({0.0f, 0.0f, 1.0f})};
}

int MeshBuilder::AddVertex(const Vec3& position, const Vec3& normal, float u, float v)
{
    m_vertices.push_back(MeshVertex{position, Normalize(normal), u, v});
    return static_cast<int>(m_vertices.size()) - 1;
}

void MeshBuilder::AddTriangle(int a, int b, int c)
{
    const MeshVertex& va = m_vertices[static_cast<size_t>(a)];
    const MeshVertex& vb = m_vertices[static_cast<size_t>(b)];
    const MeshVertex& vc = m_vertices[static_cast<size_t>(c)];
    const Vec3 ab = vb.position - va.position;
    const Vec3 ac = vc.position - va.position;
    const Vec3 bc = vc.position - vb.position;
    const Vec3 face = Cross(ab, ac);
    const float area = Length(face);
    const float longest = std::fmax(Dot(ab, ab), std::fmax(Dot(ac, ac), Dot(bc, bc)));
    const float uvArea = (vb.u - va.u) * (vc.v - va.v) - (vc.u - va.u) * (vb.v - va.v);
    // Slivers (such as the collapsed corners at a sphere's poles) would face any way once the file's rounding
    // is applied, and would give the engine's tangent step a zero or infinite texture-space determinant.
    if (area < 1e-7f || area < 1e-4f * longest || std::fabs(uvArea) < 1e-9f)
    {
        return;
    }
    const Vec3 normals = va.normal + vb.normal + vc.normal;
    // With the engine's clockwise front faces, a front face's edge cross product points along its normal.
    if (Dot(face, normals) >= 0.0f)
    {
        m_indices.insert(m_indices.end(), {a, b, c});
    }
    else
    {
        m_indices.insert(m_indices.end(), {a, c, b});
    }
}

void MeshBuilder::AddQuad(int a, int b, int c, int d)
{
    AddTriangle(a, b, c);
    AddTriangle(a, c, d);
}

void MeshBuilder::PlanarQuad(const Vec3& p0, const Vec3& p1, const Vec3& p2, const Vec3& p3, const Vec3& normal,
                             const Vec3& up, float scale, float uOffset, float vOffset)
{
    const Vec3 n = Normalize(normal);
    // Tangent along +u and bitangent along +v (down the texture), with tangent x bitangent = normal.
    const Vec3 upOnFace = Normalize(up - n * Dot(up, n));
    const Vec3 tangent = Cross(n, upOnFace);
    const Vec3 bitangent = -upOnFace;
    const Vec3 corners[4] = {p0, p1, p2, p3};
    int ids[4];
    for (int i = 0; i < 4; ++i)
    {
        ids[i] = AddVertex(corners[i], n, Dot(corners[i], tangent) / scale + uOffset,
                           Dot(corners[i], bitangent) / scale + vOffset);
    }
    AddQuad(ids[0], ids[1], ids[2], ids[3]);
}

void MeshBuilder::PlanarTriangle(const Vec3& p0, const Vec3& p1, const Vec3& p2, const Vec3& normal, const Vec3& up,
                                 float scale, float uOffset, float vOffset)
{
    const Vec3 n = Normalize(normal);
    const Vec3 upOnFace = Normalize(up - n * Dot(up, n));
    const Vec3 tangent = Cross(n, upOnFace);
    const Vec3 bitangent = -upOnFace;
    const Vec3 corners[3] = {p0, p1, p2};
    int ids[3];
    for (int i = 0; i < 3; ++i)
    {
        ids[i] = AddVertex(corners[i], n, Dot(corners[i], tangent) / scale + uOffset,
                           Dot(corners[i], bitangent) / scale + vOffset);
    }
    AddTriangle(ids[0], ids[1], ids[2]);
}

void MeshBuilder::MappedQuad(const Vec3& p0, const Vec3& p1, const Vec3& p2, const Vec3& p3, const Vec3& normal,
                             float u0, float v0, float u1, float v1)
{
    // p0 is the top-left corner as seen from the front, then clockwise: top-right, bottom-right, bottom-left.
    const int a = AddVertex(p0, normal, u0, v0);
    const int b = AddVertex(p1, normal, u1, v0);
    const int c = AddVertex(p2, normal, u1, v1);
    const int d = AddVertex(p3, normal, u0, v1);
    AddQuad(a, b, c, d);
}

void MeshBuilder::Box(const Frame& frame, const Vec3& minimum, const Vec3& maximum, float scale, bool bottom)
{
    const Vec3& a = minimum;
    const Vec3& b = maximum;
    auto p = [&](float x, float y, float z) { return frame.Point({x, y, z}); };
    const Vec3 up = frame.axisY;
    // +x, -x, +z, -z sides, then top and bottom.
    PlanarQuad(p(b.x, b.y, a.z), p(b.x, b.y, b.z), p(b.x, a.y, b.z), p(b.x, a.y, a.z), frame.axisX, up, scale);
    PlanarQuad(p(a.x, b.y, b.z), p(a.x, b.y, a.z), p(a.x, a.y, a.z), p(a.x, a.y, b.z), -frame.axisX, up, scale);
    PlanarQuad(p(b.x, b.y, b.z), p(a.x, b.y, b.z), p(a.x, a.y, b.z), p(b.x, a.y, b.z), frame.axisZ, up, scale);
    PlanarQuad(p(a.x, b.y, a.z), p(b.x, b.y, a.z), p(b.x, a.y, a.z), p(a.x, a.y, a.z), -frame.axisZ, up, scale);
    PlanarQuad(p(a.x, b.y, b.z), p(b.x, b.y, b.z), p(b.x, b.y, a.z), p(a.x, b.y, a.z), frame.axisY, frame.axisZ, scale);
    if (bottom)
    {
        PlanarQuad(p(a.x, a.y, a.z), p(b.x, a.y, a.z), p(b.x, a.y, b.z), p(a.x, a.y, b.z), -frame.axisY, -frame.axisZ,
                   scale);
    }
}

void MeshBuilder::Surface(const SurfaceFunction& surface, int columns, int rows, float uRepeat, float vRepeat)
{
    // Decide once whether v must run against t to keep the layout unmirrored, from a point inside the patch.
    Vec3 p, n, ps, pt, unused;
    surface(0.37f, 0.41f, p, n);
    surface(0.37f + 1e-3f, 0.41f, ps, unused);
    surface(0.37f, 0.41f + 1e-3f, pt, unused);
    const float orientation = Dot(Cross((ps - p) * uRepeat, (pt - p) * vRepeat), n);
    const float vSign = orientation >= 0.0f ? 1.0f : -1.0f;

    const int first = static_cast<int>(m_vertices.size());
    for (int row = 0; row <= rows; ++row)
    {
        const float t = static_cast<float>(row) / static_cast<float>(rows);
        for (int column = 0; column <= columns; ++column)
        {
            const float s = static_cast<float>(column) / static_cast<float>(columns);
            surface(s, t, p, n);
            AddVertex(p, n, s * uRepeat, vSign * t * vRepeat);
        }
    }
    const int stride = columns + 1;
    for (int row = 0; row < rows; ++row)
    {
        for (int column = 0; column < columns; ++column)
        {
            const int a = first + row * stride + column;
            AddQuad(a, a + 1, a + stride + 1, a + stride);
        }
    }
}

void MeshBuilder::Cylinder(const Frame& frame, float radiusBottom, float radiusTop, float y0, float y1, int sides,
                           float uRepeat, float vRepeat, bool caps)
{
    const float slope = (radiusBottom - radiusTop) / (y1 - y0);
    Surface(
        [&](float s, float t, Vec3& p, Vec3& n) {
            const float angle = s * 2.0f * kPi;
            const float radius = Mix(radiusBottom, radiusTop, t);
            const Vec3 radial{std::cos(angle), 0.0f, std::sin(angle)};
            p = frame.Point(radial * radius + Vec3{0.0f, Mix(y0, y1, t), 0.0f});
            n = frame.Direction(Normalize(radial + Vec3{0.0f, slope, 0.0f}));
        },
        sides, 1, uRepeat, vRepeat);
    if (caps)
    {
        Frame top = frame;
        top.origin = frame.Point({0.0f, y1, 0.0f});
        Disc(top, radiusTop, sides, radiusTop * 2.0f);
        Frame under{frame.Point({0.0f, y0, 0.0f}), frame.axisX, -frame.axisY, -frame.axisZ};
        Disc(under, radiusBottom, sides, radiusBottom * 2.0f);
    }
}

void MeshBuilder::Torus(const Frame& frame, float majorRadius, float minorRadius, int majorSides, int minorSides,
                        float uRepeat, float vRepeat)
{
    Surface(
        [&](float s, float t, Vec3& p, Vec3& n) {
            const float theta = s * 2.0f * kPi;
            const float phi = t * 2.0f * kPi;
            const Vec3 radial{std::cos(theta), 0.0f, std::sin(theta)};
            const Vec3 local = radial * std::cos(phi) + Vec3{0.0f, std::sin(phi), 0.0f};
            p = frame.Point(radial * majorRadius + local * minorRadius);
            n = frame.Direction(local);
        },
        majorSides, minorSides, uRepeat, vRepeat);
}

void MeshBuilder::Band(const Frame& frame, float innerRadius, float outerRadius, float halfHeight, int sides,
                       float uRepeat)
{
    const float height = 2.0f * halfHeight;
    const float depth = outerRadius - innerRadius;
    auto ring = [&](float radius, float sign) {
        Surface(
            [&](float s, float t, Vec3& p, Vec3& n) {
                const float angle = s * 2.0f * kPi;
                const Vec3 radial{std::cos(angle), 0.0f, std::sin(angle)};
                p = frame.Point(radial * radius + Vec3{0.0f, halfHeight - t * height, 0.0f});
                n = frame.Direction(radial * sign);
            },
            sides, 1, uRepeat, height / (2.0f * kPi * outerRadius / uRepeat));
    };
    auto rim = [&](float y, float sign) {
        Surface(
            [&](float s, float t, Vec3& p, Vec3& n) {
                const float angle = s * 2.0f * kPi;
                const Vec3 radial{std::cos(angle), 0.0f, std::sin(angle)};
                p = frame.Point(radial * Mix(outerRadius, innerRadius, t) + Vec3{0.0f, y, 0.0f});
                n = frame.Direction({0.0f, sign, 0.0f});
            },
            sides, 1, uRepeat, depth / (2.0f * kPi * outerRadius / uRepeat));
    };
    ring(outerRadius, 1.0f);
    ring(innerRadius, -1.0f);
    rim(halfHeight, 1.0f);
    rim(-halfHeight, -1.0f);
}

void MeshBuilder::Sphere(const Frame& frame, float radius, int sides, int stacks, float uRepeat, float vRepeat)
{
    Surface(
        [&](float s, float t, Vec3& p, Vec3& n) {
            const float theta = s * 2.0f * kPi;
            const float phi = t * kPi;
            const Vec3 d{std::sin(phi) * std::cos(theta), std::cos(phi), std::sin(phi) * std::sin(theta)};
            p = frame.Point(d * radius);
            n = frame.Direction(d);
        },
        sides, stacks, uRepeat, vRepeat);
}

void MeshBuilder::Disc(const Frame& frame, float radius, int sides, float uvRadius)
{
    // Planar mapping seen from the front (along -y of the frame): +x to the right, +z at the top.
    const Vec3 n = frame.axisY;
    auto uvOf = [&](float x, float z, float& u, float& v) {
        u = 0.5f + x / (2.0f * uvRadius);
        v = 0.5f - z / (2.0f * uvRadius);
    };
    float u, v;
    uvOf(0.0f, 0.0f, u, v);
    const int centre = AddVertex(frame.origin, n, u, v);
    int previous = -1;
    int firstRim = -1;
    for (int i = 0; i <= sides; ++i)
    {
        const float angle = static_cast<float>(i) / static_cast<float>(sides) * 2.0f * kPi;
        const float x = std::cos(angle) * radius;
        const float z = std::sin(angle) * radius;
        uvOf(x, z, u, v);
        const int rim = i == sides ? firstRim : AddVertex(frame.Point({x, 0.0f, z}), n, u, v);
        if (i == 0)
        {
            firstRim = rim;
        }
        else
        {
            AddTriangle(centre, previous, rim);
        }
        previous = rim;
    }
}

void MeshBuilder::Append(const MeshBuilder& other)
{
    const int offset = static_cast<int>(m_vertices.size());
    m_vertices.insert(m_vertices.end(), other.m_vertices.begin(), other.m_vertices.end());
    for (int index : other.m_indices)
    {
        m_indices.push_back(index + offset);
    }
}

void MeshBuilder::AppendTranslated(const MeshBuilder& other, const Vec3& offset)
{
    const int first = static_cast<int>(m_vertices.size());
    for (MeshVertex vertex : other.m_vertices)
    {
        vertex.position += offset;
        m_vertices.push_back(vertex);
    }
    for (int index : other.m_indices)
    {
        m_indices.push_back(index + first);
    }
}

std::string MeshBuilder::ObjText(const std::string& objectName, const std::string& mtlFile,
                                 const MeshMaterial& material) const
{
    std::string text;
    text.reserve(m_vertices.size() * 96 + m_indices.size() * 12 + 256);
    char line[160];
    text += "# Generated by tools/assets; one object, one material.\n";
    text += "mtllib " + mtlFile + "\n";
    text += "o " + objectName + "\n";
    for (const MeshVertex& v : m_vertices)
    {
        std::snprintf(line, sizeof line, "v %.3f %.3f %.3f\n", static_cast<double>(v.position.x),
                      static_cast<double>(v.position.y), static_cast<double>(v.position.z));
        text += line;
    }
    for (const MeshVertex& v : m_vertices)
    {
        std::snprintf(line, sizeof line, "vt %.4f %.4f\n", static_cast<double>(v.u), static_cast<double>(v.v));
        text += line;
    }
    for (const MeshVertex& v : m_vertices)
    {
        std::snprintf(line, sizeof line, "vn %.3f %.3f %.3f\n", static_cast<double>(v.normal.x),
                      static_cast<double>(v.normal.y), static_cast<double>(v.normal.z));
        text += line;
    }
    text += "usemtl " + material.name + "\n";
    for (size_t i = 0; i + 2 < m_indices.size(); i += 3)
    {
        const int a = m_indices[i] + 1;
        const int b = m_indices[i + 1] + 1;
        const int c = m_indices[i + 2] + 1;
        std::snprintf(line, sizeof line, "f %d/%d/%d %d/%d/%d %d/%d/%d\n", a, a, a, b, b, b, c, c, c);
        text += line;
    }
    return text;
}

std::string MeshBuilder::MtlText(const MeshMaterial& material)
{
    char line[160];
    std::string text = "# Generated by tools/assets.\nnewmtl " + material.name + "\n";
    auto colour = [&](const char* key, const Vec3& c) {
        std::snprintf(line, sizeof line, "%s %.3f %.3f %.3f\n", key, static_cast<double>(c.x), static_cast<double>(c.y),
                      static_cast<double>(c.z));
        text += line;
    };
    colour("Ka", material.ambient);
    colour("Kd", material.diffuse);
    colour("Ks", material.specular);
    std::snprintf(line, sizeof line, "Ns %.1f\n", static_cast<double>(material.shininess));
    text += line;
    text += "d 1.0\nillum 2\n";
    text += "map_Kd " + material.diffuseMap + "\n";
    if (!material.bumpMap.empty())
    {
        text += "map_bump " + material.bumpMap + "\n";
    }
    return text;
}
