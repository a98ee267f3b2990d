// cCamera: a plain record of where the eye is and how it projects. Drawing parts fill
// one, call UpdateProjection and hand it to the renderer (cRenderer::SetCamera), which
// copies it.
#pragma once

#include <cstdint>

#include "KelpoBase/core/Matrix44.h"
#include "KelpoBase/core/Vec3.h"

class cCamera
{
public:
    cCamera();
    cCamera(const cCamera& other) { Copy(other); }
    cCamera& operator=(const cCamera& other)
    {
        Copy(other);
        return *this;
    }

    // Field by field.
    void Copy(const cCamera& source);

    void SetOrthoRect(float left, float bottom, float right, float top);
    // A rectangle of width x height centred on the axis; no field of view.
    void SetOrthoSize(float width, float height);
    // Perspective with the full vertical angle fieldOfView (radians).
    void SetPerspective(float fov);
    // Stands at position, turned to face target.
    void SetPositionLookAt(const cVec3f& eye, const cVec3f& target);
    // Orbits target: turned by -yaw about Y, then -pitch about X, at distance along the
    // rotation's third row.
    void SetOrbit(const cVec3f& target, float yaw, float pitch, float distance);
    // Rebuilds view and projection from the fields above.
    void UpdateProjection();

    void SetFarPlane(float far) { farPlane = far; }
    // The near plane is also the stereo focal distance.
    void SetNearPlane(float near)
    {
        nearPlane = near;
        focalDistance = near;
    }

    // A block that other parts may keep with the camera; copied, never interpreted.
    float extra[51];
    cMatrix33 rotation;
    cVec3f position;
    float aspect = 1.0f;
    float nearPlane = 1.0f;
    float farPlane = 1000.0f;
    uint8_t orthographic = 0;
    float orthoLeft = 0.0f;
    float orthoBottom = 0.0f;
    float orthoRight = 0.0f;
    float orthoTop = 0.0f;
    float fieldOfView = 0.0f;
    float eyeSeparation = 0.0f;
    float focalDistance = 0.0f;
    cMatrix44 view;
    cMatrix44 projection;
};
