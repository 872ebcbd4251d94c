#pragma once
// A positional light with an OpenGL light number of its own.

#include "view/glc/glc_vector3d.h"

#include <GL/gl.h>
#include <QColor>

class GLC_Light {
public:
    // Each view draws in a context of its own, so one light per context can
    // use a fixed number; GL_LIGHT0 is left to OpenGL's default light.
    explicit GLC_Light(const QColor &diffuse = Qt::white, GLenum lightId = GL_LIGHT1);

    GLenum lightId() const { return m_lightId; }
    const GLC_Vector3d &position() const { return m_position; }
    QColor diffuseColor() const { return m_diffuse; }

    void setPosition(const GLC_Vector3d &position) { m_position = position; }
    // Sets the light's colours and position in the current matrix. The mode
    // names how a display list would hold it; the light is always set up
    // immediately, whatever list is being compiled.
    void glExecute(GLenum mode = GL_COMPILE_AND_EXECUTE) const;

private:
    GLenum m_lightId;
    QColor m_diffuse;
    GLC_Vector3d m_position;
};
