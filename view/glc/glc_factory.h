#pragma once
// Builds the standard objects of a view for one OpenGL context.

#include "view/glc/glc_movercontroller.h"

#include <QColor>

class GLC_Viewport;
class QGLContext;

// Ids of the default movers.
enum GLC_DefaultMoverId { GLC_PanMoverId = 1, GLC_TrackBallMoverId = 3, GLC_TargetMoverId = 4 };

class GLC_Factory {
public:
    // The factory of that context. It holds nothing but the context, so it
    // is handed out by value.
    static GLC_Factory instance(const QGLContext *context) { return GLC_Factory(context); }

    const QGLContext *context() const { return m_context; }

    // Pan (1), trackball (3) and target (4) movers on the viewport, marking
    // their runs in the given colour.
    GLC_MoverController createDefaultMoverController(const QColor &markColor, GLC_Viewport *viewport) const;

private:
    explicit GLC_Factory(const QGLContext *context) : m_context(context) {}
    const QGLContext *m_context;
};
