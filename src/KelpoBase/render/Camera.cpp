#include "KelpoBase/render/Camera.h"

#include <cmath>
#include <cstring>

#include "KelpoBase/core/Projection.h"

cCamera::cCamera() { std::memset(extra, 0, sizeof(extra)); }

void cCamera::Copy(const cCamera& source)
{
    std::memcpy(extra, source.extra, sizeof(extra));
    rotation = source.rotation;
    position = source.position;
    aspect = source.aspect;
    nearPlane = source.nearPlane;
    farPlane = source.farPlane;
    orthographic = source.orthographic;
    orthoLeft = source.orthoLeft;
    orthoBottom = source.orthoBottom;
    orthoRight = source.orthoRight;
    orthoTop = source.orthoTop;
    fieldOfView = source.fieldOfView;
    eyeSeparation = source.eyeSeparation;
    focalDistance = source.focalDistance;
    view = source.view;
    projection = source.projection;
}

void cCamera::SetOrthoRect(float left, float bottom, float right, float top)
{
    orthoLeft = left;
    orthoBottom = bottom;
    orthoRight = right;
    orthoTop = top;
    orthographic = 1;
}

void cCamera::SetOrthoSize(float width, float height)
{
    SetOrthoRect(-width / 2.0f, -height / 2.0f, width / 2.0f, height / 2.0f);
    fieldOfView = 0.0f;
}

void cCamera::SetPerspective(float fov)
{
    fieldOfView = fov;
    orthoLeft = orthoBottom = orthoRight = orthoTop = 0.0f;
    orthographic = 0;
}

void cCamera::SetPositionLookAt(const cVec3f& eye, const cVec3f& target)
{
    position = eye;
    Matrix3Identity(rotation);
    Matrix3LookAt(target, eye, cVec3f(0.0f, 1.0f, 0.0f), rotation);
}

void cCamera::SetOrbit(const cVec3f& target, float yaw, float pitch, float distance)
{
    Matrix3Identity(rotation);
    Matrix3RotateY(rotation, -yaw);
    Matrix3RotateX(rotation, -pitch);
    const cVec3f thirdRow(rotation.At(2, 0), rotation.At(2, 1), rotation.At(2, 2));
    position = target + thirdRow * distance;
}

void cCamera::UpdateProjection()
{
    cMatrix44 placement;
    Matrix4FromRotationTranslation(placement, position, rotation);
    Matrix4Inverse(placement, view);

    if (orthographic != 0)
    {
        Matrix4Ortho(projection, orthoLeft, orthoRight, orthoBottom, orthoTop, nearPlane, farPlane);
    }
    else if (eyeSeparation == 0.0f)
    {
        Matrix4Perspective(projection, fieldOfView, aspect, nearPlane, farPlane);
    }
    else
    {
        // One eye of a stereo pair: an off-axis frustum converging at the focal distance.
        const float t = std::tan(fieldOfView / 2.0f) * nearPlane;
        const float shift = eyeSeparation * 0.5f * (nearPlane / focalDistance);
        Matrix4Frustum(projection, shift - aspect * t, shift + aspect * t, -t, t, nearPlane, farPlane);
        Matrix4Translate(projection, eyeSeparation * 0.5f, 0.0f, 0.0f);
    }
}
