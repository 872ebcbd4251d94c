#pragma once
// A 3D vector of doubles: positions, directions and axes of the scene.

#include <cmath>

class GLC_Vector3d {
public:
    constexpr GLC_Vector3d() = default;
    constexpr GLC_Vector3d(double x, double y, double z) : m_x(x), m_y(y), m_z(z) {}

    constexpr double x() const { return m_x; }
    constexpr double y() const { return m_y; }
    constexpr double z() const { return m_z; }
    void setX(double x) { m_x = x; }
    void setY(double y) { m_y = y; }
    void setZ(double z) { m_z = z; }

    GLC_Vector3d operator+(const GLC_Vector3d &o) const { return {m_x + o.m_x, m_y + o.m_y, m_z + o.m_z}; }
    GLC_Vector3d operator-(const GLC_Vector3d &o) const { return {m_x - o.m_x, m_y - o.m_y, m_z - o.m_z}; }
    GLC_Vector3d operator-() const { return {-m_x, -m_y, -m_z}; }
    GLC_Vector3d operator*(double s) const { return {m_x * s, m_y * s, m_z * s}; }
    GLC_Vector3d operator/(double s) const { return {m_x / s, m_y / s, m_z / s}; }
    GLC_Vector3d &operator+=(const GLC_Vector3d &o) { return *this = *this + o; }
    GLC_Vector3d &operator-=(const GLC_Vector3d &o) { return *this = *this - o; }
    bool operator==(const GLC_Vector3d &o) const { return m_x == o.m_x && m_y == o.m_y && m_z == o.m_z; }
    bool operator!=(const GLC_Vector3d &o) const { return !(*this == o); }

    double dot(const GLC_Vector3d &o) const { return m_x * o.m_x + m_y * o.m_y + m_z * o.m_z; }
    GLC_Vector3d cross(const GLC_Vector3d &o) const
    {
        return {m_y * o.m_z - m_z * o.m_y, m_z * o.m_x - m_x * o.m_z, m_x * o.m_y - m_y * o.m_x};
    }
    double length() const { return std::sqrt(dot(*this)); }
    bool isNull() const { return m_x == 0.0 && m_y == 0.0 && m_z == 0.0; }

    // Unit vector of the same direction; a null vector stays null.
    GLC_Vector3d normalized() const
    {
        const double len = length();
        return len > 0.0 ? *this / len : *this;
    }

    // This vector turned by angle (radians, right hand) about the unit axis.
    GLC_Vector3d rotated(const GLC_Vector3d &unitAxis, double angle) const
    {
        const double c = std::cos(angle);
        const double s = std::sin(angle);
        return *this * c + unitAxis.cross(*this) * s + unitAxis * (unitAxis.dot(*this) * (1.0 - c));
    }

private:
    double m_x = 0.0;
    double m_y = 0.0;
    double m_z = 0.0;
};
