// Quaternions as 4-float vectors (x, y, z, w: vector part first, scalar last).
//
// The matrix conversions share one convention: in the column-vector convention of
// cMatrix44 the matrix made from q rotates by the conjugate of q, and converting that
// matrix back gives q again (up to sign and scale).
#pragma once

#include "KelpoBase/core/Matrix44.h"
#include "KelpoBase/core/Vec3.h"

using cQuatf = cVec4f;

// Spherical interpolation: theta = acos(a.b); with s = sin theta above 0.001 the weights
// are sin((1-t) theta)/s and sin(t theta)/s, else 1-t and t. No flip to the shorter arc,
// no normalisation of the result.
void QuaternionSlerp(cQuatf& out, const cQuatf& a, const cQuatf& b, float t);
// Non-unit quaternions are normalised by the conversion; a zero quaternion gives the
// identity.
void QuaternionToMatrix3(const cQuatf& q, cMatrix33& out);
void QuaternionToMatrix4(const cQuatf& q, cMatrix44& out);
void QuaternionFromMatrix4(const cMatrix44& m, cQuatf& out);
void QuaternionFromMatrix3(const cMatrix33& m, cQuatf& out);
