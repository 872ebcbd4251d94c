#include "view/glc/glc_boundingbox.h"

#include <algorithm>

GLC_BoundingBox::GLC_BoundingBox(const GLC_Vector3d &corner1, const GLC_Vector3d &corner2)
{
    combine(corner1);
    combine(corner2);
}

bool GLC_BoundingBox::intersect(const GLC_Vector3d &p) const
{
    return !m_isEmpty && p.x() >= m_lower.x() && p.x() <= m_upper.x() && p.y() >= m_lower.y() && p.y() <= m_upper.y() &&
           p.z() >= m_lower.z() && p.z() <= m_upper.z();
}

GLC_BoundingBox &GLC_BoundingBox::combine(const GLC_Vector3d &p)
{
    if (m_isEmpty) {
        m_lower = m_upper = p;
        m_isEmpty = false;
        return *this;
    }
    m_lower = GLC_Vector3d(std::min(m_lower.x(), p.x()), std::min(m_lower.y(), p.y()), std::min(m_lower.z(), p.z()));
    m_upper = GLC_Vector3d(std::max(m_upper.x(), p.x()), std::max(m_upper.y(), p.y()), std::max(m_upper.z(), p.z()));
    return *this;
}

GLC_BoundingBox &GLC_BoundingBox::combine(const GLC_BoundingBox &other)
{
    if (!other.m_isEmpty) {
        combine(other.m_lower);
        combine(other.m_upper);
    }
    return *this;
}
