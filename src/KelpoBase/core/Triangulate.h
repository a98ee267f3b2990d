// Ear-clipping triangulation of a simple polygon (a closed outline without holes).
//
// TriangulatePolygon appends one triple of contour indices per triangle to the output,
// always counter-clockwise (y up): a clockwise contour is walked in reverse. It is meant
// for building objects, not for per-frame work (the cost grows with the cube of the
// point count in the worst case).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "KelpoBase/core/Vec2.h"

// False at once (output untouched) for fewer than 3 points; false when the clipping
// stalls (a polygon that is not simple, collinear remainders, repeated points that block
// every ear), keeping the triangles found before the stall; else true.
bool TriangulatePolygon(std::span<const cVec2f> contour, std::vector<int32_t>& output);

// Half the shoelace sum of the contour of the current call (positive: counter-clockwise
// with y up). Valid only while TriangulatePolygon runs; use the overload elsewhere.
float PolygonSignedArea();
float PolygonSignedArea(std::span<const cVec2f> contour);

// The ear test of the triangle V[u], V[v], V[w] among the nv remaining entries of V,
// against the contour of the current call.
bool IsEar(int32_t u, int32_t v, int32_t w, int32_t nv, const int32_t* V);

// p inside the counter-clockwise triangle a, b, c or on its boundary.
bool PointInTriangleInclusive(const cVec2f& a, const cVec2f& b, const cVec2f& c, const cVec2f& p);
