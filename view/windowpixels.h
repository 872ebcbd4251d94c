#pragma once
// Drawing over the 3D frame in the window's pixels (origin at the lower
// left): depth test, lighting and texturing off for the scope, and the
// matrices and attributes as they were after it.

#include <QGLWidget>

namespace veltrane {

class WindowPixelScope {
public:
    // `attributes`: further attribute groups the scope changes and restores.
    WindowPixelScope(int width, int height, GLbitfield attributes = 0)
    {
        glPushAttrib(GL_ENABLE_BIT | GL_LINE_BIT | GL_CURRENT_BIT | attributes);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_LIGHTING);
        glDisable(GL_TEXTURE_2D);
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        glOrtho(0.0, width, 0.0, height, -1.0, 1.0);
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
    }
    ~WindowPixelScope()
    {
        glPopMatrix();
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPopAttrib();
    }
    WindowPixelScope(const WindowPixelScope &) = delete;
    WindowPixelScope &operator=(const WindowPixelScope &) = delete;
};

}  // namespace veltrane
