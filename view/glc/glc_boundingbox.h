#pragma once
// An axis-aligned box that grows by union; empty until something is added.

#include "view/glc/glc_vector3d.h"

class GLC_BoundingBox {
public:
    GLC_BoundingBox() = default;
    // The box spanned by two opposite corners, in any order.
    GLC_BoundingBox(const GLC_Vector3d &corner1, const GLC_Vector3d &corner2);
    GLC_BoundingBox(const GLC_BoundingBox &other) = default;
    GLC_BoundingBox &operator=(const GLC_BoundingBox &other) = default;

    bool isEmpty() const { return m_isEmpty; }
    const GLC_Vector3d &lowerCorner() const { return m_lower; }
    const GLC_Vector3d &upperCorner() const { return m_upper; }
    GLC_Vector3d center() const { return (m_lower + m_upper) * 0.5; }
    // Radius of the sphere about center() that holds the box (0 when empty).
    double boundingSphereRadius() const { return m_isEmpty ? 0.0 : (m_upper - m_lower).length() * 0.5; }
    bool intersect(const GLC_Vector3d &point) const;

    GLC_BoundingBox &combine(const GLC_Vector3d &point);
    GLC_BoundingBox &combine(const GLC_BoundingBox &other);

private:
    GLC_Vector3d m_lower;
    GLC_Vector3d m_upper;
    bool m_isEmpty = true;
};
