#pragma once
// Routes mouse events to interactive 3D widgets placed in a viewport. The
// program places none, so every event is answered "ignored".

class GLC_Viewport;
class QMouseEvent;

class GLC_3DWidgetManagerHandle {
public:
    // Answers to a mouse event.
    enum EventAnswer { Ignored = 1, RepaintNeeded = 2 };

    explicit GLC_3DWidgetManagerHandle(GLC_Viewport *viewport) : m_viewport(viewport) {}

    GLC_Viewport *viewport() const { return m_viewport; }
    int widgetCount() const { return 0; }
    int mouseMoveEvent(QMouseEvent *event);
    int mouseReleaseEvent(QMouseEvent *event);

private:
    GLC_Viewport *m_viewport;
};

class GLC_3DWidgetManager {
public:
    // Keeps the pointer only, so the viewport may be built after the manager.
    explicit GLC_3DWidgetManager(GLC_Viewport *viewport) : m_handle(viewport) {}

    GLC_3DWidgetManagerHandle *handle() { return &m_handle; }

private:
    GLC_3DWidgetManagerHandle m_handle;
};
