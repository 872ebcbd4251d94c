#pragma once
// Holds the movers of a view under integer ids and runs at most one at a time.

#include "view/glc/glc_movers.h"

#include <QColor>
#include <QObject>
#include <map>
#include <memory>

class QMouseEvent;

class GLC_MoverController : public QObject {
    Q_OBJECT
public:
    GLC_MoverController() = default;
    GLC_MoverController(const GLC_MoverController &other);
    // Takes over copies of the other's movers and mark colour; the active
    // mover is not carried over. Signal connections stay with each object.
    GLC_MoverController &operator=(const GLC_MoverController &other);
    ~GLC_MoverController() override = default;

    void addMover(int id, std::unique_ptr<GLC_Mover> mover);
    bool containsMover(int id) const { return m_movers.count(id) != 0; }
    int moverCount() const { return int(m_movers.size()); }
    bool hasActiveMover() const { return m_active != nullptr; }
    int activeMoverId() const { return m_activeId; }
    QColor markColor() const { return m_markColor; }
    void setMarkColor(const QColor &color) { m_markColor = color; }

    // Starts the mover of that id from the event's position; an unknown id
    // leaves no mover running.
    void setActiveMover(int id, QMouseEvent *event);
    // Hands the event to the running mover; true when the camera changed.
    bool move(QMouseEvent *event);
    void setNoMover();

    // Draws the running mover's mark in its colour over the whole view
    // (needs the view's context current); nothing when no mover runs.
    void drawActiveMoverMark(int viewWidth, int viewHeight) const;

signals:
    void repaintNeeded();

private:
    std::map<int, std::unique_ptr<GLC_Mover>> m_movers;
    GLC_Mover *m_active = nullptr;
    int m_activeId = 0;
    QColor m_markColor = Qt::red;
};
