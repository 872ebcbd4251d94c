#pragma once
// The OpenGL viewport of a view: its camera, a perspective projection that
// follows the window size, near and far distances fitted to the scene box,
// the background colour, the point size and the line width.

#include "view/glc/glc_boundingbox.h"
#include "view/glc/glc_camera.h"
#include "view/glc/glc_matrix.h"

#include <QColor>

class QGLWidget;

class GLC_Viewport {
public:
    // Only keeps the pointer: the widget may still be under construction.
    explicit GLC_Viewport(QGLWidget *widget);

    GLC_Camera *cameraHandle() { return &m_camera; }
    const GLC_Camera *cameraHandle() const { return &m_camera; }
    QGLWidget *qGLWidgetHandle() const { return m_widget; }

    int viewHSize() const { return m_width; }
    int viewVSize() const { return m_height; }
    double viewAngle() const { return m_viewAngle; }
    double nearDistance() const { return m_distMin; }
    double farDistance() const { return m_distMax; }
    QColor backgroundColor() const { return m_background; }
    double pointSize() const { return m_pointSize; }
    double lineWidth() const { return m_lineWidth; }

    // Window size in pixels, recorded only (no OpenGL call).
    void setWinSize(int width, int height);
    // Window size in pixels; sets the OpenGL viewport and loads the
    // projection (needs the widget's context current).
    void setWinGLSize(int width, int height);
    // Loads the projection into GL_PROJECTION and the camera into
    // GL_MODELVIEW, leaving GL_MODELVIEW the current matrix mode.
    void glExecuteCam() const;

    // Points the camera at the centre of the box, keeping its direction and up
    // vector, at the distance from which the whole box is seen.
    void reframe(const GLC_BoundingBox &box);
    // Near and far distances that enclose the box as seen from the eye.
    void setDistMinAndMax(const GLC_BoundingBox &box);

    void setBackgroundColor(const QColor &color);
    void updatePointSize(double size);
    void updateLineWidth(double width);

    GLC_Matrix4 projectionMatrix() const;
    GLC_Matrix4 modelViewMatrix() const { return m_camera.modelViewMatrix(); }

    // Scene point under the widget pixel (x, y from the top-left corner), read
    // back from the depth buffer of the widget's context; false over the
    // background (depth 1.0) or outside the window.
    bool unProjectPixel(int x, int y, GLC_Vector3d &point) const;

private:
    QGLWidget *m_widget;
    GLC_Camera m_camera;
    double m_viewAngle = 35.0;  // vertical field of view, degrees
    double m_distMin = 0.01;
    double m_distMax = 100.0;
    int m_width = 1;
    int m_height = 1;
    QColor m_background = Qt::black;
    double m_pointSize = 1.0;
    double m_lineWidth = 1.0;
};
