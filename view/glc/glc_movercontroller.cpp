#include "view/glc/glc_movercontroller.h"

#include <GL/gl.h>
#include <QMouseEvent>

GLC_MoverController::GLC_MoverController(const GLC_MoverController &other) : QObject()
{
    *this = other;
}

GLC_MoverController &GLC_MoverController::operator=(const GLC_MoverController &other)
{
    if (this == &other)
        return *this;
    m_active = nullptr;
    m_activeId = 0;
    m_movers.clear();
    for (const auto &entry : other.m_movers)
        m_movers.emplace(entry.first, entry.second->clone());
    m_markColor = other.m_markColor;
    return *this;
}

void GLC_MoverController::addMover(int id, std::unique_ptr<GLC_Mover> mover)
{
    if (m_activeId == id)
        setNoMover();
    m_movers[id] = std::move(mover);
}

void GLC_MoverController::setActiveMover(int id, QMouseEvent *event)
{
    const auto it = m_movers.find(id);
    if (it == m_movers.end()) {
        setNoMover();
        return;
    }
    m_active = it->second.get();
    m_activeId = id;
    m_active->init(event->pos());
}

bool GLC_MoverController::move(QMouseEvent *event)
{
    if (!m_active)
        return false;
    const bool changed = m_active->move(event->pos());
    if (!changed && m_active->markMovedOnly())
        emit repaintNeeded();
    return changed;
}

void GLC_MoverController::setNoMover()
{
    m_active = nullptr;
    m_activeId = 0;
}

void GLC_MoverController::drawActiveMoverMark(int viewWidth, int viewHeight) const
{
    if (!m_active)
        return;
    const GLboolean depthTest = glIsEnabled(GL_DEPTH_TEST);
    const GLboolean texture = glIsEnabled(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    // Window pixels, origin at the top-left corner like the mouse events.
    glOrtho(0.0, viewWidth, viewHeight, 0.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glColor4ub(GLubyte(m_markColor.red()), GLubyte(m_markColor.green()), GLubyte(m_markColor.blue()),
               GLubyte(m_markColor.alpha()));
    m_active->drawMark();
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    if (depthTest)
        glEnable(GL_DEPTH_TEST);
    if (texture)
        glEnable(GL_TEXTURE_2D);
}
