#include "view/glc/glc_light.h"

void GLC_Light::glExecute(GLenum /*mode*/) const
{
    const GLfloat ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    const GLfloat diffuse[4] = {GLfloat(m_diffuse.redF()), GLfloat(m_diffuse.greenF()), GLfloat(m_diffuse.blueF()),
                                GLfloat(m_diffuse.alphaF())};
    const GLfloat specular[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    const GLfloat position[4] = {GLfloat(m_position.x()), GLfloat(m_position.y()), GLfloat(m_position.z()), 1.0f};
    glLightfv(m_lightId, GL_AMBIENT, ambient);
    glLightfv(m_lightId, GL_DIFFUSE, diffuse);
    glLightfv(m_lightId, GL_SPECULAR, specular);
    glLightfv(m_lightId, GL_POSITION, position);
}

GLC_Light::GLC_Light(const QColor &diffuse, GLenum lightId) : m_lightId(lightId), m_diffuse(diffuse) {}
