// The camera's view transform, the only part of the camera that calls GL.
#include "camera/camera.h"

#include "platform/gl_headers.h"

void Camera::look() const
{
    gluLookAt(position.x, position.y, position.z, view.x, view.y, view.z, up.x, up.y, up.z);
}
