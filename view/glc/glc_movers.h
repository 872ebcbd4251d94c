#pragma once
// Movers turn mouse motion into camera motion. Each starts from the press
// position (init) and changes the camera on every move; while it runs it
// shows a small mark over the view.

#include "view/glc/glc_vector3d.h"

#include <QColor>
#include <QPoint>
#include <memory>

class GLC_Viewport;
class QMouseEvent;

class GLC_Mover {
public:
    explicit GLC_Mover(GLC_Viewport *viewport) : m_viewport(viewport) {}
    virtual ~GLC_Mover() = default;

    virtual std::unique_ptr<GLC_Mover> clone() const = 0;
    virtual void init(const QPoint &pos) = 0;
    // True when the camera changed.
    virtual bool move(const QPoint &pos) = 0;
    // Draws the mark in window pixels (origin top-left), matrices already set.
    virtual void drawMark() const = 0;

    // The mark of the last move(); true when it changed without the camera
    // moving, so that only a repaint of the mark is needed.
    bool markMovedOnly() const { return m_markMovedOnly; }

protected:
    GLC_Viewport *m_viewport;
    QPoint m_lastPos;
    bool m_markMovedOnly = false;
};

// Drags the scene with the cursor in the plane through the target.
class GLC_PanMover : public GLC_Mover {
public:
    using GLC_Mover::GLC_Mover;
    std::unique_ptr<GLC_Mover> clone() const override { return std::make_unique<GLC_PanMover>(*this); }
    void init(const QPoint &pos) override;
    bool move(const QPoint &pos) override;
    void drawMark() const override;
};

// Turns the scene about the target as if the cursor rolled a ball under the
// screen.
class GLC_TrackBallMover : public GLC_Mover {
public:
    using GLC_Mover::GLC_Mover;
    std::unique_ptr<GLC_Mover> clone() const override { return std::make_unique<GLC_TrackBallMover>(*this); }
    void init(const QPoint &pos) override;
    bool move(const QPoint &pos) override;
    void drawMark() const override;

    // Point of the virtual ball (camera axes: x right, y up, z towards the
    // viewer) under the pixel; the ball's radius is kBallRatio of the half
    // of the shorter window side.
    static GLC_Vector3d ballPoint(const QPoint &pos, int width, int height);
    static constexpr double kBallRatio = 0.8;
};

// Moves the camera so that its target becomes the scene point under the
// pressed pixel, read back from the depth buffer; over the background the
// target stays.
class GLC_TargetMover : public GLC_Mover {
public:
    using GLC_Mover::GLC_Mover;
    std::unique_ptr<GLC_Mover> clone() const override { return std::make_unique<GLC_TargetMover>(*this); }
    void init(const QPoint &pos) override;
    bool move(const QPoint &pos) override;
    void drawMark() const override;
};
