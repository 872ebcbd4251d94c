#include "view/glc/glc_material.h"

#include <GL/gl.h>

namespace {
void setColor(GLenum which, const QColor &c)
{
    const GLfloat v[4] = {GLfloat(c.redF()), GLfloat(c.greenF()), GLfloat(c.blueF()), GLfloat(c.alphaF())};
    glMaterialfv(GL_FRONT_AND_BACK, which, v);
}
}  // namespace

// OpenGL's own defaults: grey ambient and diffuse, no specular or emission.
GLC_Material::GLC_Material()
    : m_ambient(QColor::fromRgbF(0.2, 0.2, 0.2)), m_diffuse(QColor::fromRgbF(0.8, 0.8, 0.8)), m_specular(Qt::black),
      m_emission(Qt::black), m_shininess(0.0f)
{
}

void GLC_Material::glExecute() const
{
    setColor(GL_AMBIENT, m_ambient);
    setColor(GL_DIFFUSE, m_diffuse);
    setColor(GL_SPECULAR, m_specular);
    setColor(GL_EMISSION, m_emission);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, m_shininess);
}
