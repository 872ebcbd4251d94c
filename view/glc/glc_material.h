#pragma once
// Surface material of the scene, set for front and back faces.

#include <QColor>

class GLC_Material {
public:
    GLC_Material();

    QColor ambientColor() const { return m_ambient; }
    QColor diffuseColor() const { return m_diffuse; }
    void setDiffuseColor(const QColor &color) { m_diffuse = color; }

    void glExecute() const;

private:
    QColor m_ambient;
    QColor m_diffuse;
    QColor m_specular;
    QColor m_emission;
    float m_shininess;
};
