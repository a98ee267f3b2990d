#include "GfxTools/ToolsMaths.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "KelpoBase/core/Debug.h"

namespace
{
constexpr float kPi = 3.14159265358979f;

// Float to integer by truncation, clamped to [lo, hi] first (NaN gives 0), so that no
// out-of-range conversion ever happens.
int64_t Truncate(float v, double lo, double hi)
{
    if (std::isnan(v))
        return 0;
    double d = double(v);
    if (d < lo)
        d = lo;
    if (d > hi)
        d = hi;
    return int64_t(d);
}

template <class T> T Load(const uint8_t* p)
{
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <class T> void Store(uint8_t* p, T v) { std::memcpy(p, &v, sizeof v); }

float Component(const float in[4], uint32_t i, uint32_t n) { return i < n ? in[i] : 0.0f; }
} // namespace

uint32_t PodDataTypeSize(uint32_t type)
{
    switch (type)
    {
    case kPodFloat:
    case kPodInt:
    case kPodRGBA:
    case kPodARGB:
    case kPodD3DColour:
    case kPodUByte4:
    case kPodDec3N:
    case kPodFixed16_16:
        return 4;
    case kPodUnsignedShort:
    case kPodShort:
    case kPodShortNorm:
        return 2;
    case kPodUnsignedByte:
    case kPodByte:
    case kPodByteNorm:
        return 1;
    default:
        return 0;
    }
}

// ---- Matrices ----

void ToolsMatrixIdentity(ToolsMatrix& out)
{
    std::memset(out.f, 0, sizeof out.f);
    out.f[0] = out.f[5] = out.f[10] = out.f[15] = 1.0f;
}

void ToolsMatrixMultiply(ToolsMatrix& out, const ToolsMatrix& a, const ToolsMatrix& b)
{
    ToolsMatrix r;
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col)
        {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k)
                sum += a.f[row * 4 + k] * b.f[k * 4 + col];
            r.f[row * 4 + col] = sum;
        }
    out = r;
}

void ToolsMatrixInverse(ToolsMatrix& out, const ToolsMatrix& in)
{
    const float* m = in.f;
    double pos = 0.0, neg = 0.0;
    auto add = [&](double t) { (t >= 0.0 ? pos : neg) += t; };
    add(double(m[0]) * m[5] * m[10]);
    add(double(m[4]) * m[9] * m[2]);
    add(double(m[8]) * m[1] * m[6]);
    add(-double(m[8]) * m[5] * m[2]);
    add(-double(m[4]) * m[1] * m[10]);
    add(-double(m[0]) * m[9] * m[6]);
    const double det = pos + neg;
    if (det == 0.0 || std::fabs(det / (pos - neg)) < 1.0e-15)
        return;
    const float d = float(1.0 / det);
    ToolsMatrix r;
    r.f[0] = (m[5] * m[10] - m[9] * m[6]) * d;
    r.f[1] = -(m[1] * m[10] - m[9] * m[2]) * d;
    r.f[2] = (m[1] * m[6] - m[5] * m[2]) * d;
    r.f[4] = -(m[4] * m[10] - m[8] * m[6]) * d;
    r.f[5] = (m[0] * m[10] - m[8] * m[2]) * d;
    r.f[6] = -(m[0] * m[6] - m[4] * m[2]) * d;
    r.f[8] = (m[4] * m[9] - m[8] * m[5]) * d;
    r.f[9] = -(m[0] * m[9] - m[8] * m[1]) * d;
    r.f[10] = (m[0] * m[5] - m[4] * m[1]) * d;
    r.f[3] = r.f[7] = r.f[11] = 0.0f;
    r.f[15] = 1.0f;
    for (int c = 0; c < 3; ++c)
        r.f[12 + c] = -(m[12] * r.f[c] + m[13] * r.f[4 + c] + m[14] * r.f[8 + c]);
    out = r;
}

void ToolsMatrixInverseEx(ToolsMatrix& out, const ToolsMatrix& in)
{
    ToolsMatrix r = out;
    for (int i = 0; i < 4; ++i)
    {
        float rows[4][5];
        for (int row = 0; row < 4; ++row)
        {
            rows[row][0] = row == i ? 1.0f : 0.0f;
            for (int c = 0; c < 4; ++c)
                rows[row][1 + c] = in.f[row * 4 + c];
        }
        float x[4] = {r.f[i], r.f[4 + i], r.f[8 + i], r.f[12 + i]};
        ToolsLinearSolve4(rows, x);
        for (int k = 0; k < 4; ++k)
            r.f[k * 4 + i] = x[k];
    }
    out = r;
}

void ToolsMatrixTranspose(ToolsMatrix& out, const ToolsMatrix& in)
{
    ToolsMatrix r;
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col)
            r.f[row * 4 + col] = in.f[col * 4 + row];
    out = r;
}

void ToolsMatrixScaling(ToolsMatrix& out, float sx, float sy, float sz)
{
    ToolsMatrixIdentity(out);
    out.f[0] = sx;
    out.f[5] = sy;
    out.f[10] = sz;
}

void ToolsMatrixTranslation(ToolsMatrix& out, float tx, float ty, float tz)
{
    ToolsMatrixIdentity(out);
    out.f[12] = tx;
    out.f[13] = ty;
    out.f[14] = tz;
}

void ToolsMatrixRotationX(ToolsMatrix& out, float angle)
{
    ToolsMatrixIdentity(out);
    const float c = std::cos(angle), s = std::sin(angle);
    out.f[5] = c;
    out.f[6] = -s;
    out.f[9] = s;
    out.f[10] = c;
}

void ToolsMatrixRotationY(ToolsMatrix& out, float angle)
{
    ToolsMatrixIdentity(out);
    const float c = std::cos(angle), s = std::sin(angle);
    out.f[0] = c;
    out.f[2] = s;
    out.f[8] = -s;
    out.f[10] = c;
}

void ToolsMatrixRotationZ(ToolsMatrix& out, float angle)
{
    ToolsMatrixIdentity(out);
    const float c = std::cos(angle), s = std::sin(angle);
    out.f[0] = c;
    out.f[1] = -s;
    out.f[4] = s;
    out.f[5] = c;
}

namespace
{
void LookAt(ToolsMatrix& out, const ToolsVec3& eye, const ToolsVec3& forward, const ToolsVec3& up)
{
    const ToolsVec3 z = ToolsVec3Normalise(forward);
    const ToolsVec3 x = ToolsVec3Normalise(ToolsVec3Cross(up, z));
    const ToolsVec3 y = ToolsVec3Cross(z, x);
    ToolsMatrixIdentity(out);
    const ToolsVec3 axes[3] = {x, y, z};
    for (int a = 0; a < 3; ++a)
    {
        out.f[0 * 4 + a] = axes[a].x;
        out.f[1 * 4 + a] = axes[a].y;
        out.f[2 * 4 + a] = axes[a].z;
        out.f[12 + a] = -ToolsVec3Dot(axes[a], eye);
    }
}

void RotateForScreen(ToolsMatrix& m)
{
    ToolsMatrix r;
    ToolsMatrixRotationZ(r, -kPi / 2.0f);
    ToolsMatrixMultiply(m, m, r);
}
} // namespace

void ToolsMatrixLookAtForward(ToolsMatrix& out, const ToolsVec3& eye, const ToolsVec3& target, const ToolsVec3& up)
{
    LookAt(out, eye, {target.x - eye.x, target.y - eye.y, target.z - eye.z}, up);
}

void ToolsMatrixLookAtBackward(ToolsMatrix& out, const ToolsVec3& eye, const ToolsVec3& target, const ToolsVec3& up)
{
    LookAt(out, eye, {eye.x - target.x, eye.y - target.y, eye.z - target.z}, up);
}

void ToolsMatrixOrtho(ToolsMatrix& out, float width, float height, float nearPlane, float farPlane, bool rotate)
{
    std::memset(out.f, 0, sizeof out.f);
    out.f[0] = 2.0f / width;
    out.f[5] = 2.0f / height;
    out.f[10] = 1.0f / (farPlane - nearPlane);
    out.f[11] = nearPlane / (nearPlane - farPlane);
    out.f[15] = 1.0f;
    if (rotate)
        RotateForScreen(out);
}

void ToolsMatrixPerspective(ToolsMatrix& out, float fovY, float aspect, float nearPlane, float farPlane, bool rotate)
{
    const float f = 1.0f / std::tan(fovY * 0.5f);
    std::memset(out.f, 0, sizeof out.f);
    out.f[0] = rotate ? f * aspect : f / aspect;
    out.f[5] = f;
    out.f[10] = (nearPlane + farPlane) / (nearPlane - farPlane);
    out.f[11] = -1.0f;
    out.f[14] = 2.0f * nearPlane * farPlane / (nearPlane - farPlane);
    if (rotate)
        RotateForScreen(out);
}

// ---- Transforms ----

void ToolsTransformVec4(ToolsVec4& out, const ToolsVec4& v, const ToolsMatrix& m)
{
    const float* f = m.f;
    const ToolsVec4 r{v.x * f[0] + v.y * f[4] + v.z * f[8] + v.w * f[12],
                      v.x * f[1] + v.y * f[5] + v.z * f[9] + v.w * f[13],
                      v.x * f[2] + v.y * f[6] + v.z * f[10] + v.w * f[14],
                      v.x * f[3] + v.y * f[7] + v.z * f[11] + v.w * f[15]};
    out = r;
}

void ToolsTransformPoints(ToolsVec4* out, uint32_t outStride, const ToolsVec3* in, uint32_t inStride,
                          const ToolsMatrix& m, uint32_t count)
{
    auto* dst = reinterpret_cast<uint8_t*>(out);
    const auto* src = reinterpret_cast<const uint8_t*>(in);
    for (uint32_t i = 0; i < count; ++i)
    {
        const ToolsVec3 p = Load<ToolsVec3>(src + size_t(i) * inStride);
        ToolsVec4 r;
        ToolsTransformVec4(r, {p.x, p.y, p.z, 1.0f}, m);
        Store(dst + size_t(i) * outStride, r);
    }
}

void ToolsTransformVec3Array(ToolsVec3* out, uint32_t outStride, const ToolsVec3* in, uint32_t inStride,
                             const ToolsMatrix& m, float w, uint32_t count)
{
    auto* dst = reinterpret_cast<uint8_t*>(out);
    const auto* src = reinterpret_cast<const uint8_t*>(in);
    const float* f = m.f;
    for (uint32_t i = 0; i < count; ++i)
    {
        const ToolsVec3 v = Load<ToolsVec3>(src + size_t(i) * inStride);
        const ToolsVec3 r{v.x * f[0] + v.y * f[4] + v.z * f[8] + w * f[12],
                          v.x * f[1] + v.y * f[5] + v.z * f[9] + w * f[13],
                          v.x * f[2] + v.y * f[6] + v.z * f[10] + w * f[14]};
        Store(dst + size_t(i) * outStride, r);
    }
}

void ToolsTransformVec3ArrayBack(ToolsVec3* out, uint32_t outStride, const ToolsVec3* in, uint32_t inStride,
                                 const ToolsMatrix& m, float w, uint32_t count)
{
    ToolsMatrix inverse = m;
    ToolsMatrixInverse(inverse, m);
    ToolsTransformVec3Array(out, outStride, in, inStride, inverse, w, count);
}

// ---- Vectors ----

float ToolsVec3Length(const ToolsVec3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }
float ToolsVec3Dot(const ToolsVec3& a, const ToolsVec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

ToolsVec3 ToolsVec3Cross(const ToolsVec3& a, const ToolsVec3& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

ToolsVec3 ToolsVec3Normalise(const ToolsVec3& v)
{
    const float length = ToolsVec3Length(v);
    if (length == 0.0f)
        return v;
    const float inv = 1.0f / length;
    return {v.x * inv, v.y * inv, v.z * inv};
}

ToolsVec3 ToolsVec3Lerp(const ToolsVec3& a, const ToolsVec3& b, float t)
{
    return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t};
}

// ---- Quaternions ----

void ToolsQuaternionIdentity(ToolsQuaternion& q) { q = {0.0f, 0.0f, 0.0f, 1.0f}; }

void ToolsQuaternionNormalise(ToolsQuaternion& q)
{
    const float length = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
    if (length == 0.0f)
        return;
    q = {q.x / length, q.y / length, q.z / length, q.w / length};
}

void ToolsQuaternionToMatrix(ToolsMatrix& out, const ToolsQuaternion& q)
{
    const float x = q.x, y = q.y, z = q.z, w = q.w;
    const float m[16] = {1 - 2 * y * y - 2 * z * z, 2 * x * y - 2 * z * w,     2 * x * z + 2 * y * w,     0,
                         2 * x * y + 2 * z * w,     1 - 2 * x * x - 2 * z * z, 2 * y * z - 2 * x * w,     0,
                         2 * x * z - 2 * y * w,     2 * x * w + 2 * y * z,     1 - 2 * x * x - 2 * y * y, 0,
                         0,                         0,                         0,                         1};
    std::memcpy(out.f, m, sizeof m);
}

void ToolsQuaternionSlerp(ToolsQuaternion& out, const ToolsQuaternion& a, const ToolsQuaternion& b, float t)
{
    if (t < 0.0f || t > 1.0f)
    {
        ToolsQuaternionIdentity(out);
        return;
    }
    float cosine = a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
    if (cosine < 0.0f)
    {
        ToolsQuaternionSlerp(out, a, {-b.x, -b.y, -b.z, -b.w}, t);
        return;
    }
    if (cosine > 1.0f)
        cosine = 1.0f;
    const float angle = std::acos(cosine);
    if (angle == 0.0f)
    {
        out = a;
        return;
    }
    const float s = std::sin(angle);
    const float wa = std::sin((1.0f - t) * angle) / s;
    const float wb = std::sin(t * angle) / s;
    ToolsQuaternion r{wa * a.x + wb * b.x, wa * a.y + wb * b.y, wa * a.z + wb * b.z, wa * a.w + wb * b.w};
    ToolsQuaternionNormalise(r);
    out = r;
}

void ToolsQuaternionToAxisAngle(const ToolsQuaternion& q, ToolsVec3& axis, float& angle)
{
    const float w = std::fmax(-1.0f, std::fmin(1.0f, q.w));
    angle = 2.0f * std::acos(w);
    float s = std::sqrt(1.0f - w * w);
    if (std::fabs(s) < 0.0005f)
        s = 1.0f;
    axis = {q.x / s, q.y / s, q.z / s};
}

void ToolsQuaternionFromAxisAngle(ToolsQuaternion& out, const ToolsVec3& axis, float angle)
{
    const float h = angle * 0.5f;
    const float s = std::sin(h);
    out = {axis.x * s, axis.y * s, axis.z * s, std::cos(h)};
    ToolsQuaternionNormalise(out);
}

// ---- Linear solvers ----

namespace
{
bool Solve(std::vector<float*>& rows, float* solution, uint32_t n)
{
    if (n == 1)
    {
        if (rows[0][1] == 0.0f)
            return false;
        solution[0] = rows[0][0] / rows[0][1];
        return true;
    }
    uint32_t pivot = n;
    for (uint32_t i = n; i-- > 0;)
        if (rows[i][n] != 0.0f)
        {
            pivot = i;
            break;
        }
    if (pivot == n)
        return false;
    std::swap(rows[pivot], rows[n - 1]);
    const float* last = rows[n - 1];
    for (uint32_t j = 0; j + 1 < n; ++j)
    {
        const float factor = rows[j][n] / last[n];
        for (uint32_t k = 0; k <= n; ++k)
            rows[j][k] -= factor * last[k];
    }
    if (!Solve(rows, solution, n - 1))
        return false;
    float rest = last[0];
    for (uint32_t k = 0; k + 1 < n; ++k)
        rest -= last[1 + k] * solution[k];
    solution[n - 1] = rest / last[n];
    return true;
}
} // namespace

void ToolsLinearSolve(float* rows, float* solution, uint32_t n)
{
    if (n == 0)
        return;
    std::vector<float*> pointers(n);
    for (uint32_t i = 0; i < n; ++i)
        pointers[i] = rows + size_t(i) * (n + 1);
    std::vector<float> result(solution, solution + n);
    if (Solve(pointers, result.data(), n))
        std::memcpy(solution, result.data(), n * sizeof(float));
}

void ToolsLinearSolve4(float rows[4][5], float solution[4]) { ToolsLinearSolve(&rows[0][0], solution, 4); }

// ---- Bounds ----

void ToolsBoundingBox(ToolsVec3 corners[8], const void* points, uint32_t stride, uint32_t count)
{
    ToolsVec3 lo{0, 0, 0}, hi{0, 0, 0};
    const auto* bytes = static_cast<const uint8_t*>(points);
    for (uint32_t i = 0; i < count; ++i)
    {
        const ToolsVec3 p = Load<ToolsVec3>(bytes + size_t(i) * stride);
        if (i == 0)
        {
            lo = hi = p;
            continue;
        }
        lo = {std::fmin(lo.x, p.x), std::fmin(lo.y, p.y), std::fmin(lo.z, p.z)};
        hi = {std::fmax(hi.x, p.x), std::fmax(hi.y, p.y), std::fmax(hi.z, p.z)};
    }
    for (int c = 0; c < 8; ++c)
        corners[c] = {(c & 1) ? hi.x : lo.x, (c & 2) ? hi.y : lo.y, (c & 4) ? hi.z : lo.z};
}

bool ToolsIsBoxVisible(const ToolsVec3 corners[8], const ToolsMatrix& m, bool& needsClipping)
{
    int outside[5] = {};
    for (int c = 0; c < 8; ++c)
    {
        ToolsVec4 v;
        ToolsTransformVec4(v, {corners[c].x, corners[c].y, corners[c].z, 1.0f}, m);
        outside[0] += v.x < -v.w;
        outside[1] += v.x > v.w;
        outside[2] += v.y < -v.w;
        outside[3] += v.y > v.w;
        outside[4] += v.z < 0.0f;
    }
    for (int plane = 0; plane < 5; ++plane)
        if (outside[plane] == 8)
        {
            needsClipping = false;
            return false;
        }
    needsClipping = outside[4] != 0;
    return true;
}

// ---- Vertex elements ----

void ToolsVertexRead(float out[4], const void* data, uint32_t type, uint32_t n)
{
    out[0] = out[1] = out[2] = 0.0f;
    out[3] = 1.0f;
    if (n > 4)
        n = 4;
    const auto* p = static_cast<const uint8_t*>(data);
    switch (type)
    {
    case kPodFloat:
        for (uint32_t i = 0; i < n; ++i)
            out[i] = Load<float>(p + 4 * i);
        break;
    case kPodInt:
        for (uint32_t i = 0; i < n; ++i)
            out[i] = float(Load<int32_t>(p + 4 * i));
        break;
    case kPodUnsignedShort:
        for (uint32_t i = 0; i < n; ++i)
            out[i] = float(Load<uint16_t>(p + 2 * i));
        break;
    case kPodRGBA:
    {
        const uint32_t v = Load<uint32_t>(p);
        out[0] = float(v >> 24) / 255.0f;
        out[1] = float((v >> 16) & 255) / 255.0f;
        out[2] = float((v >> 8) & 255) / 255.0f;
        out[3] = float(v & 255) / 255.0f;
        break;
    }
    case kPodARGB:
    case kPodD3DColour:
    {
        const uint32_t v = Load<uint32_t>(p);
        out[0] = float((v >> 16) & 255) / 255.0f;
        out[1] = float((v >> 8) & 255) / 255.0f;
        out[2] = float(v & 255) / 255.0f;
        out[3] = float(v >> 24) / 255.0f;
        break;
    }
    case kPodUByte4:
    {
        const uint32_t v = Load<uint32_t>(p);
        out[0] = float(v & 255);
        out[1] = float((v >> 8) & 255);
        out[2] = float((v >> 16) & 255);
        out[3] = float(v >> 24);
        break;
    }
    case kPodDec3N:
    {
        const uint32_t v = Load<uint32_t>(p);
        for (int i = 0; i < 3; ++i)
        {
            int32_t field = int32_t((v >> (10 * i)) & 0x3FF);
            if (field & 0x200)
                field -= 0x400;
            out[i] = float(field) / 511.0f;
        }
        break;
    }
    case kPodFixed16_16:
        for (uint32_t i = 0; i < n; ++i)
            out[i] = float(Load<int32_t>(p + 4 * i)) * (1.0f / 65536.0f);
        break;
    case kPodUnsignedByte:
        for (uint32_t i = 0; i < n; ++i)
            out[i] = float(p[i]);
        break;
    case kPodShort:
        for (uint32_t i = 0; i < n; ++i)
            out[i] = float(Load<int16_t>(p + 2 * i));
        break;
    case kPodShortNorm:
        for (uint32_t i = 0; i < n; ++i)
            out[i] = float(Load<int16_t>(p + 2 * i)) / 32767.0f;
        break;
    case kPodByte:
        for (uint32_t i = 0; i < n; ++i)
            out[i] = float(int8_t(p[i]));
        break;
    case kPodByteNorm:
        for (uint32_t i = 0; i < n; ++i)
            out[i] = float(int8_t(p[i])) / 127.0f;
        break;
    default:
        break;
    }
}

void ToolsVertexWrite(void* data, uint32_t type, uint32_t n, const float in[4])
{
    if (n > 4)
        n = 4;
    auto* p = static_cast<uint8_t*>(data);
    auto byte255 = [&](uint32_t i) { return uint32_t(Truncate(Component(in, i, n) * 255.0f, 0, 255)); };
    switch (type)
    {
    case kPodFloat:
        for (uint32_t i = 0; i < n; ++i)
            Store(p + 4 * i, in[i]);
        break;
    case kPodInt:
        for (uint32_t i = 0; i < n; ++i)
            Store(p + 4 * i, int32_t(Truncate(in[i], -2147483648.0, 2147483647.0)));
        break;
    case kPodUnsignedShort:
        for (uint32_t i = 0; i < n; ++i)
            Store(p + 2 * i, uint16_t(Truncate(in[i], 0, 65535)));
        break;
    case kPodRGBA:
        Store(p, byte255(0) << 24 | byte255(1) << 16 | byte255(2) << 8 | byte255(3));
        break;
    case kPodARGB:
    case kPodD3DColour:
        Store(p, byte255(3) << 24 | byte255(0) << 16 | byte255(1) << 8 | byte255(2));
        break;
    case kPodUByte4:
    {
        uint32_t v = 0;
        for (uint32_t i = 0; i < 4; ++i)
            v |= uint32_t(Truncate(Component(in, i, n), 0, 255)) << (8 * i);
        Store(p, v);
        break;
    }
    case kPodDec3N:
    {
        uint32_t v = 0;
        for (uint32_t i = 0; i < 3; ++i)
        {
            const int32_t field = int32_t(Truncate(Component(in, i, n) * 511.0f, -511, 511));
            v |= (uint32_t(field) & 0x3FF) << (10 * i);
        }
        Store(p, v);
        break;
    }
    case kPodFixed16_16:
        for (uint32_t i = 0; i < n; ++i)
            Store(p + 4 * i, int32_t(Truncate(in[i] * 65536.0f, -2147483648.0, 2147483647.0)));
        break;
    case kPodUnsignedByte:
        for (uint32_t i = 0; i < n; ++i)
            p[i] = uint8_t(Truncate(in[i], 0, 255));
        break;
    case kPodShort:
        for (uint32_t i = 0; i < n; ++i)
            Store(p + 2 * i, int16_t(Truncate(in[i], -32768, 32767)));
        break;
    case kPodShortNorm:
        for (uint32_t i = 0; i < n; ++i)
            Store(p + 2 * i, int16_t(Truncate(in[i] * 32767.0f, -32768, 32767)));
        break;
    case kPodByte:
        for (uint32_t i = 0; i < n; ++i)
            p[i] = uint8_t(int8_t(Truncate(in[i], -128, 127)));
        break;
    case kPodByteNorm:
        for (uint32_t i = 0; i < n; ++i)
            p[i] = uint8_t(int8_t(Truncate(in[i] * 127.0f, -128, 127)));
        break;
    default:
        break;
    }
}

uint32_t ToolsIndexRead(const void* data, uint32_t type)
{
    return type == kPodUnsignedShort ? Load<uint16_t>(static_cast<const uint8_t*>(data)) : 0;
}

void ToolsIndexWrite(void* data, uint32_t type, uint32_t index)
{
    if (type == kPodUnsignedShort)
        Store(static_cast<uint8_t*>(data), uint16_t(index));
}

// ---- Tangent space ----

void TriangleTangentBasis(ToolsVec3& tangent, ToolsVec3& binormal, const ToolsVec3& normal, const ToolsVec3& pa,
                          const ToolsVec3& pb, const ToolsVec3& pc, const float uva[2], const float uvb[2],
                          const float uvc[2])
{
    tangent = binormal = {0.0f, 0.0f, 0.0f};
    if (ToolsVec3Length(normal) == 0.0f || (uva[0] == uvb[0] && uva[0] == uvc[0]))
        return;
    const ToolsVec3 ab{pb.x - pa.x, pb.y - pa.y, pb.z - pa.z};
    const ToolsVec3 ac{pc.x - pa.x, pc.y - pa.y, pc.z - pa.z};
    ToolsVec3 direction;
    float sign;
    if (uva[0] == uvb[0])
    {
        direction = ab;
        sign = uvb[1] - uva[1];
    }
    else if (uva[0] == uvc[0])
    {
        direction = ac;
        sign = uvc[1] - uva[1];
    }
    else
    {
        const float f = -(uvb[0] - uva[0]) / (uvc[0] - uva[0]);
        direction = {ab.x + f * ac.x, ab.y + f * ac.y, ab.z + f * ac.z};
        sign = (uvb[1] - uva[1]) + f * (uvc[1] - uva[1]);
    }
    if (sign < 0.0f)
        direction = {-direction.x, -direction.y, -direction.z};
    direction = ToolsVec3Normalise(direction);
    tangent = ToolsVec3Cross(normal, direction);
    binormal = ToolsVec3Cross(tangent, normal);
    if ((uvc[0] - uva[0]) * (uvb[1] - uva[1]) < (uvb[0] - uva[0]) * (uvc[1] - uva[1]))
        tangent = {-tangent.x, -tangent.y, -tangent.z};
    tangent = ToolsVec3Normalise(tangent);
    binormal = ToolsVec3Normalise(binormal);
}

uint32_t GenerateTangentSpace(uint8_t** outVertices, uint32_t* outCount, uint16_t* indices, uint32_t triangleCount,
                              const uint8_t* vertices, uint32_t vertexCount, const TangentSpaceLayout& layout,
                              float splitThreshold)
{
    constexpr uint32_t kMaxUses = 32;
    struct Use
    {
        ToolsVec3 tangent, binormal;
        uint32_t corner; // triangle * 3 + corner
    };
    std::vector<std::vector<Use>> uses(vertexCount);
    auto read3 = [&](uint32_t vertex, uint32_t offset, uint32_t type) {
        float v[4];
        ToolsVertexRead(v, vertices + size_t(vertex) * layout.stride + offset, type, 3);
        return ToolsVec3{v[0], v[1], v[2]};
    };
    for (uint32_t t = 0; t < triangleCount; ++t)
    {
        const uint16_t* tri = indices + size_t(t) * 3;
        if (tri[0] == tri[1] || tri[1] == tri[2] || tri[0] == tri[2])
            return 1;
        for (int k = 0; k < 3; ++k)
            if (tri[k] >= vertexCount || uses[tri[k]].size() >= kMaxUses)
                return 1;
        for (int k = 0; k < 3; ++k)
        {
            const uint32_t a = tri[k], b = tri[(k + 1) % 3], c = tri[(k + 2) % 3];
            const ToolsVec3 uvA = read3(a, layout.texCoordOffset, layout.texCoordType);
            const ToolsVec3 uvB = read3(b, layout.texCoordOffset, layout.texCoordType);
            const ToolsVec3 uvC = read3(c, layout.texCoordOffset, layout.texCoordType);
            const float ua[2] = {uvA.x, uvA.y}, ub[2] = {uvB.x, uvB.y}, uc[2] = {uvC.x, uvC.y};
            Use use{};
            use.corner = t * 3 + uint32_t(k);
            TriangleTangentBasis(use.tangent, use.binormal, read3(a, layout.normalOffset, layout.normalType),
                                 read3(a, layout.positionOffset, layout.positionType),
                                 read3(b, layout.positionOffset, layout.positionType),
                                 read3(c, layout.positionOffset, layout.positionType), ua, ub, uc);
            uses[a].push_back(use);
        }
    }

    const uint64_t capacity = uint64_t(vertexCount) * 3;
    std::vector<uint8_t> output;
    std::vector<uint16_t> newIndices(indices, indices + size_t(triangleCount) * 3);
    uint32_t made = 0;
    for (uint32_t v = 0; v < vertexCount; ++v)
    {
        std::vector<std::vector<const Use*>> groups;
        for (const Use& use : uses[v])
        {
            bool placed = false;
            for (auto& group : groups)
            {
                bool fits = true;
                for (const Use* member : group)
                    if (ToolsVec3Dot(member->tangent, use.tangent) < splitThreshold ||
                        ToolsVec3Dot(member->binormal, use.binormal) < splitThreshold)
                    {
                        fits = false;
                        break;
                    }
                if (fits)
                {
                    group.push_back(&use);
                    placed = true;
                    break;
                }
            }
            if (!placed)
                groups.push_back({&use});
        }
        if (groups.empty())
            groups.emplace_back(); // an unused vertex is kept as it is
        for (const auto& group : groups)
        {
            if (made >= capacity)
                return 1;
            if (made > 65535)
                return 2;
            const size_t at = output.size();
            output.insert(output.end(), vertices + size_t(v) * layout.stride,
                          vertices + size_t(v + 1) * layout.stride);
            ToolsVec3 tangent{0, 0, 0}, binormal{0, 0, 0};
            for (const Use* member : group)
            {
                tangent = {tangent.x + member->tangent.x, tangent.y + member->tangent.y, tangent.z + member->tangent.z};
                binormal = {binormal.x + member->binormal.x, binormal.y + member->binormal.y,
                            binormal.z + member->binormal.z};
                newIndices[member->corner] = uint16_t(made);
            }
            tangent = ToolsVec3Normalise(tangent);
            binormal = ToolsVec3Normalise(binormal);
            const float t4[4] = {tangent.x, tangent.y, tangent.z, 1.0f};
            const float b4[4] = {binormal.x, binormal.y, binormal.z, 1.0f};
            if (!group.empty())
            {
                ToolsVertexWrite(output.data() + at + layout.tangentOffset, layout.tangentType, 3, t4);
                ToolsVertexWrite(output.data() + at + layout.binormalOffset, layout.binormalType, 3, b4);
            }
            ++made;
        }
    }
    auto* block = static_cast<uint8_t*>(std::malloc(output.empty() ? 1 : output.size()));
    if (block == nullptr)
        return 1;
    if (!output.empty())
        std::memcpy(block, output.data(), output.size());
    *outVertices = block;
    *outCount = made;
    std::memcpy(indices, newIndices.data(), newIndices.size() * sizeof(uint16_t));
    return 0;
}

// ---- Debug output ----

void DebugOutput(const char* format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    DebugPrint("%s", text);
}
