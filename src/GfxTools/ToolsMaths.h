// The graphics tools' own maths: 4x4 matrices, 3-vectors, quaternions, projection and view
// builders, linear solvers, vertex element conversion between the POD data types,
// tangent-space generation, and the formatted debug output.
//
// Conventions (distinct from the engine's own maths): a matrix is 16 floats, rows of
// four, used with row vectors on the left (p' = p M), so the translation sits in
// elements 12, 13, 14 and A B applies A first. Quaternions are (x, y, z, w).
#pragma once

#include <cstdint>

struct ToolsMatrix
{
    float f[16];
};

struct ToolsVec3
{
    float x, y, z;
};

struct ToolsVec4
{
    float x, y, z, w;
};

struct ToolsQuaternion
{
    float x, y, z, w;
};

// The POD data types of vertex channels.
enum PodDataType : uint32_t
{
    kPodNone = 0,
    kPodFloat = 1,
    kPodInt = 2,
    kPodUnsignedShort = 3,
    kPodRGBA = 4,
    kPodARGB = 5,
    kPodD3DColour = 6,
    kPodUByte4 = 7,
    kPodDec3N = 8,
    kPodFixed16_16 = 9,
    kPodUnsignedByte = 10,
    kPodShort = 11,
    kPodShortNorm = 12,
    kPodByte = 13,
    kPodByteNorm = 14,
};

// Bytes of one element of the type; 0 for codes outside 1 to 14.
uint32_t PodDataTypeSize(uint32_t type);

// ---- Matrices ----
void ToolsMatrixIdentity(ToolsMatrix& out);
// out = a b (a applies first); out may be a or b.
void ToolsMatrixMultiply(ToolsMatrix& out, const ToolsMatrix& a, const ToolsMatrix& b);
// The inverse of an affine matrix; out is left untouched when the 3x3 part is singular.
void ToolsMatrixInverse(ToolsMatrix& out, const ToolsMatrix& in);
// The full inverse through the linear solver (columns left unwritten without a pivot).
void ToolsMatrixInverseEx(ToolsMatrix& out, const ToolsMatrix& in);
void ToolsMatrixTranspose(ToolsMatrix& out, const ToolsMatrix& in); // out may be in
void ToolsMatrixScaling(ToolsMatrix& out, float sx, float sy, float sz);
void ToolsMatrixTranslation(ToolsMatrix& out, float tx, float ty, float tz);
void ToolsMatrixRotationX(ToolsMatrix& out, float angle);
void ToolsMatrixRotationY(ToolsMatrix& out, float angle);
void ToolsMatrixRotationZ(ToolsMatrix& out, float angle);
// View matrices: forward = target - eye (LookAtForward) or eye - target (LookAtBackward).
void ToolsMatrixLookAtForward(ToolsMatrix& out, const ToolsVec3& eye, const ToolsVec3& target, const ToolsVec3& up);
void ToolsMatrixLookAtBackward(ToolsMatrix& out, const ToolsVec3& eye, const ToolsVec3& target, const ToolsVec3& up);
void ToolsMatrixOrtho(ToolsMatrix& out, float width, float height, float nearPlane, float farPlane, bool rotate);
void ToolsMatrixPerspective(ToolsMatrix& out, float fovY, float aspect, float nearPlane, float farPlane, bool rotate);

// ---- Transforms ----
void ToolsTransformVec4(ToolsVec4& out, const ToolsVec4& v, const ToolsMatrix& m);
// Each point (x, y, z, 1) M; strides in bytes.
void ToolsTransformPoints(ToolsVec4* out, uint32_t outStride, const ToolsVec3* in, uint32_t inStride,
                          const ToolsMatrix& m, uint32_t count);
// v (3x3 part) + w translation for each vector; the back variant inverts m first.
void ToolsTransformVec3Array(ToolsVec3* out, uint32_t outStride, const ToolsVec3* in, uint32_t inStride,
                             const ToolsMatrix& m, float w, uint32_t count);
void ToolsTransformVec3ArrayBack(ToolsVec3* out, uint32_t outStride, const ToolsVec3* in, uint32_t inStride,
                                 const ToolsMatrix& m, float w, uint32_t count);

// ---- Vectors ----
float ToolsVec3Length(const ToolsVec3& v);
float ToolsVec3Dot(const ToolsVec3& a, const ToolsVec3& b);
ToolsVec3 ToolsVec3Cross(const ToolsVec3& a, const ToolsVec3& b);
// Multiplies by 1 / length (a zero vector is left as it is).
ToolsVec3 ToolsVec3Normalise(const ToolsVec3& v);
ToolsVec3 ToolsVec3Lerp(const ToolsVec3& a, const ToolsVec3& b, float t);

// ---- Quaternions ----
void ToolsQuaternionIdentity(ToolsQuaternion& q);
void ToolsQuaternionNormalise(ToolsQuaternion& q);
void ToolsQuaternionToMatrix(ToolsMatrix& out, const ToolsQuaternion& q);
// Spherical interpolation; t outside 0..1 gives the identity quaternion.
void ToolsQuaternionSlerp(ToolsQuaternion& out, const ToolsQuaternion& a, const ToolsQuaternion& b, float t);
void ToolsQuaternionToAxisAngle(const ToolsQuaternion& q, ToolsVec3& axis, float& angle);
void ToolsQuaternionFromAxisAngle(ToolsQuaternion& out, const ToolsVec3& axis, float angle);

// ---- Linear solvers ----
// n rows of n + 1 values each (the right-hand side first, then the coefficients); the rows
// are rearranged in place. A system without a pivot leaves the solution unwritten.
void ToolsLinearSolve(float* rows, float* solution, uint32_t n);
void ToolsLinearSolve4(float rows[4][5], float solution[4]);

// ---- Bounds ----
// The eight corners of the box of count points (stride in bytes), in corner order
// (bit 0 x, bit 1 y, bit 2 z: 0 minimum, 1 maximum).
void ToolsBoundingBox(ToolsVec3 corners[8], const void* points, uint32_t stride, uint32_t count);
// False (flag 0) when all corners lie outside one plane of -w <= x, y <= w, z >= 0 after
// m; otherwise true, with the flag 1 when some but not all corners lie below z = 0.
bool ToolsIsBoxVisible(const ToolsVec3 corners[8], const ToolsMatrix& m, bool& needsClipping);

// ---- Vertex elements ----
// n components of the type at data into out (starting as 0, 0, 0, 1).
void ToolsVertexRead(float out[4], const void* data, uint32_t type, uint32_t n);
// The reverse; a type outside 1 to 14 writes nothing.
void ToolsVertexWrite(void* data, uint32_t type, uint32_t n, const float in[4]);
// One 16-bit index for type 3; other types read 0 / write nothing.
uint32_t ToolsIndexRead(const void* data, uint32_t type);
void ToolsIndexWrite(void* data, uint32_t type, uint32_t index);

// The tangent and binormal at corner a of a triangle.
void TriangleTangentBasis(ToolsVec3& tangent, ToolsVec3& binormal, const ToolsVec3& normal, const ToolsVec3& pa,
                          const ToolsVec3& pb, const ToolsVec3& pc, const float uva[2], const float uvb[2],
                          const float uvc[2]);

struct TangentSpaceLayout
{
    uint32_t stride;
    uint32_t positionOffset, positionType;
    uint32_t normalOffset, normalType;
    uint32_t texCoordOffset, texCoordType;
    uint32_t tangentOffset, tangentType;
    uint32_t binormalOffset, binormalType;
};

// Splits vertices whose triangles disagree on their tangent frames (dot products below the
// threshold) and writes summed, normalised tangents and binormals. On success *outVertices
// (std::malloc'd, outCount vertices) replaces nothing: the caller owns it; indices are
// rewritten in place. Returns 0 on success, 1 on failure, 2 when more than 65535 vertices
// would be needed; on failure nothing is allocated for the caller and indices are unchanged.
uint32_t GenerateTangentSpace(uint8_t** outVertices, uint32_t* outCount, uint16_t* indices, uint32_t triangleCount,
                              const uint8_t* vertices, uint32_t vertexCount, const TangentSpaceLayout& layout,
                              float splitThreshold);

// Formats printf-style into 1024 characters and passes the text to the debug output.
void DebugOutput(const char* format, ...) __attribute__((format(printf, 1, 2)));
