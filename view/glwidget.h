#pragma once
// The 3D view: control points, converted points with their shift vectors,
// the TIN, a textured base map, an axis cross and a text overlay, with mouse
// orbit, pan, re-target and animated wheel zoom. The program makes two: the
// main view and the frustum viewer, which also draws the main view's frustum
// and the data's extents box.
//
// Scene units: x = longitude, y = latitude (degrees), z = height x dScaleZ.

#include "view/frustum.h"
#include "view/scenebuffers.h"
#include "view/subsetbudget.h"
#include "view/glc/glc_3dviewcollection.h"
#include "view/glc/glc_3dwidgetmanager.h"
#include "view/glc/glc_boundingbox.h"
#include "view/glc/glc_light.h"
#include "view/glc/glc_material.h"
#include "view/glc/glc_movercontroller.h"
#include "view/glc/glc_vector3d.h"
#include "view/glc/glc_viewport.h"
#include "view/glc/glc_world.h"
#include "engine/types/checkrecords.h"
#include "engine/types/pointrecord.h"

#include <QColor>
#include <QGLWidget>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <vector>

using PointArray = std::shared_ptr<const std::vector<PointRecord>>;
using TriangleArray = std::shared_ptr<const std::vector<Triangle>>;

class GLWidget : public QGLWidget {
    Q_OBJECT
public:
    // Values of iMouseState: which mover the pressed button drives.
    static constexpr int32_t kMouseIdle = 1;
    static constexpr int32_t kMouseRotating = 2;  // left button: trackball
    static constexpr int32_t kMousePanning = 3;   // right button: pan

    // Values of iOptMode, in the order of the "Display Optimization" items.
    static constexpr int32_t kOptNone = 0;
    static constexpr int32_t kOptCulling = 1;
    static constexpr int32_t kOptClipper = 2;
    static constexpr int32_t kOptClipperCulling = 3;

    // While the camera moves, and whenever the window system asks for a
    // picture, a frame draws every k-th record of a data set larger than
    // movingBudget's records, k the smallest that keeps it within. Once the
    // camera rests for this long, the full frame follows, drawn in batches
    // over turns of the event loop and shown when complete.
    static constexpr int kSettleMs = 200;
    // A turn of the event loop draws as many batches of the full frame as
    // take about this long, ms, and at least one.
    static constexpr int kFullFrameTurnMs = 30;

    // How the data layers reach OpenGL. PerVertex is the original drawing,
    // one call per vertex every frame; it stays as the reference the arrays
    // are checked and measured against.
    enum class DrawPath { Arrays, PerVertex };

    // What the current iOptMode asks for: culling the points against the
    // frustum, and running the clipper.
    bool cullsPoints() const { return iOptMode == kOptCulling || iOptMode == kOptClipperCulling; }
    bool runsClipper() const { return iOptMode == kOptClipper || iOptMode == kOptClipperCulling; }

    explicit GLWidget(QWidget *parent = nullptr);
    ~GLWidget() override;

    // Frames painted for the window system (expose, resize, update()) so far.
    int framesPresented() const { return presentedFrames; }

    // Data of a run, shared with the window so that the arrays live as long
    // as a view draws them. Each sets the matching raw pointer (and count)
    // below; counts are never taken beyond the array's size.
    void setDataSet1(PointArray points);
    void setDataSet2(PointArray points, uint32_t count);
    void setTriangles(TriangleArray triangles, uint32_t count);

    // The camera has just changed: frames draw the subset until it rests.
    // The mouse movers and the wheel zoom call it themselves.
    void noteCameraMoving();
    // The rest time, kSettleMs unless set.
    void setSettleInterval(int ms) { settleTimer.setInterval(ms); }
    int settleInterval() const { return settleTimer.interval(); }
    // A frame drew only a subset of the records since the last full frame
    // reached the screen: the full frame is due once the camera rests.
    bool showsSubset() const { return subsetShown; }
    // The full frame is being drawn in batches and is not on screen yet.
    bool drawingFullFrame() const { return fullFrame != nullptr; }

    // Stores a frame time in the process-wide ring and sets iFps and
    // iZoomSteps from it.
    void recordFrameTime(int elapsedMs);

    // Frustum update: planes from the current OpenGL matrices (identity when
    // no context is current), the clipper in modes 2 and 3; emits
    // frustumUpdated() in every mode.
    void computeFrustum();

    // Abandons a full frame being drawn in batches.
    void resizeGL(int w, int h) override;

    // Renders the view off screen at w x h (QGLWidget::renderPixmap, which
    // draws into a framebuffer object of this view's context) and then binds
    // the window's framebuffer again. Without that, the toolkit's record of
    // the bound framebuffer still names the capture's, deleted one; the next
    // overlay text rebinds that name and every later frame is drawn nowhere.
    // The point labels and axis letters are painted into the picture at the
    // places, in the font and colours, the screen shows them.
    QPixmap renderOffScreen(int w, int h);

    // A text the view writes at a scene point: the point labels and the
    // axis letters.
    struct SceneText {
        GLC_Vector3d anchor;  // scene units
        QString text;
        QColor color;
    };
    // The texts the current switches draw, in drawing order.
    std::vector<SceneText> sceneTexts() const;
    // Paints `texts` into `image` as the screen shows them, baseline-left at
    // each anchor projected with the current camera at the image's size.
    void paintSceneTexts(QImage &image, const std::vector<SceneText> &texts) const;

    // The network check's residuals of ptsDs1, one per record, drawn as
    // arrows (and the boundary points marked) while bDrawResiduals.
    void setResiduals(std::shared_ptr<const std::vector<veltrane::ControlResidual>> residuals);
    // Moves the camera, its direction and distance kept, onto the control
    // point of the largest residual; false when there is none.
    bool centreOnWorstResidual();

    // Indices into ptsDs2 of the records outside the network, drawn with a
    // cross over their point.
    const std::vector<uint32_t> &outsideDs2();

    // Members, in declaration order. The set-up writes the ones it configures
    // directly.
    GLC_Light light;
    GLC_World world;
    int32_t iMouseState;  // kMouse...
    GLC_3DViewCollection collection;
    GLC_3DWidgetManager widgetManager;
    GLC_Viewport viewport;
    GLC_MoverController moverController;
    int32_t iZoomSteps;
    const PointRecord *ptsDs1;  // control points
    const PointRecord *ptsDs2;  // converted input points
    const Triangle *tris;       // TIN, indices into ptsDs1
    uint32_t nTris;
    uint32_t nDs2;
    PointArray dataDs1;  // owners of the three arrays above
    PointArray dataDs2;
    TriangleArray dataTris;
    int32_t iVectorMult;
    int32_t iFps;
    int32_t nDrawn;  // records drawn as points in the current frame
    GLC_BoundingBox boundingBox;
    int32_t iFontSize;
    GLuint texBaseMap;
    bool bDrawDs1;
    bool bDrawDs2;
    bool bDrawBaseMap;
    bool bDrawAxis;
    bool bDrawTris;
    bool bDrawLabelsDs1;
    bool bDrawLabelsDs2;
    QColor colorDs1;
    QColor colorDs2;
    QColor colorTris;
    bool bFirstInit;
    int32_t iLineWidth;
    int32_t iPointSize;
    bool bCaptureMode;
    QColor colorBckgrnd;
    int32_t iOptMode;  // kOpt...
    GLC_Vector3d lightPos;
    GLC_Material material;
    Extent statsDs1;  // heights already scaled; count = records of ptsDs1 drawn
    std::shared_ptr<const veltrane::BoxPlanes> boxPlanes;
    std::shared_ptr<const veltrane::BoxCorners> boxCorners;
    // Shared with the frustum viewer: each update makes new objects, so what
    // the viewer holds stays valid until it receives the next ones.
    std::shared_ptr<const veltrane::FrustumPlanes> frustum;
    bool bDrawFrustum;
    bool bDrawExtents;
    std::shared_ptr<const std::vector<veltrane::Point3>> clipPoints;
    int32_t nClipPoints;
    std::shared_ptr<const veltrane::ClipBox> clipBox;
    double dScaleZ;
    DrawPath drawPath = DrawPath::Arrays;
    // Records per data set a moving frame draws at most.
    veltrane::SubsetBudget movingBudget;
    // A turn of the event loop draws full-frame batches for about this
    // long, ms; 0: one batch a turn.
    int fullFrameTurnMs = kFullFrameTurnMs;
    // Every how many records the last frame drew, per data set (1: all).
    uint32_t strideDs1 = 1;
    uint32_t strideDs2 = 1;
    // The last middle click found nothing drawn under the cursor: the target
    // stayed, and the overlay says so.
    bool bLastClickOnBackground = false;
    bool bDrawResiduals = false;

signals:
    void frustumUpdated();
    // A frame has been painted for the window system (see framesPresented).
    void framePresented();
    void viewChanged();

public slots:
    void updateColor_ds1(const QColor &color);
    void updateColor_ds2(const QColor &color);
    void updateColor_bckgrnd(const QColor &bkColor);
    void updateColor_Tris(const QColor &color);
    void updatePointSize(int value);
    void updateLineWidth(int value);
    void updateTriStepSize(const QString &stepsize);
    void updateFontSize(const QString &fontsize);
    void updateDrawBaseMap(int state);
    void updateDraw_ds1(int state);
    void updateDraw_ds2(int state);
    void updateDrawAxis(int state);
    void updateDrawTris(int state);
    void updateDrawLabels_ds1(int state);
    void updateDrawLabels_ds2(int state);
    void updateOptDisplayMode(int mode);
    void updateLightX(double value);
    void updateLightY(double value);
    void updateLightZ(double value);
    void updateDrawResiduals(int state);
    // Frames all the data from the current viewing direction.
    void fitView();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    // Arrows turn the camera about its target, + and - zoom like a wheel
    // notch, Home fits the view.
    void keyPressEvent(QKeyEvent *event) override;
    void initializeGL() override;
    void paintGL() override;
    // Paints once for every input merged since the last frame, after one
    // pending wheel-zoom sub-step; asks for the next frame while a zoom is
    // still animating. Of the exposes handled in one turn of the event loop
    // (the window system sends two when a window is mapped) only the first
    // paints, unless the size changed in between.
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Paints into this view's own context without presenting the frame; the
    // result shows at the next repaint. Skipped while the view has no valid
    // context yet. A large data set is thinned, and its full frame follows
    // on screen once the camera rests, unless `whole` (the pick reads what
    // the frame drew).
    void reRender(bool whole = false);

    // Scene point drawn under the widget pixel, from the depth buffer of the
    // last frame and snapped to the base map or a data point drawn there;
    // false over the background.
    bool pickScenePoint(const QPoint &pixel, GLC_Vector3d &picked);

    uint32_t drawableCountDs1() const;
    uint32_t drawableCountDs2() const;
    uint32_t drawableTriangleCount() const;

    // Wheel zoom animation: the sub-steps of the last notch not yet shown.
    void startZoom(int subSteps, double factor);
    void advanceZoom();
    void finishZoom();

    void drawBaseMap();
    void drawTriangles(const PointRecord *pts, uint32_t nPts, const Triangle *triangles, uint32_t count,
                       const QColor &color);
    void drawPoints(const PointRecord *pts, uint32_t count, const QColor &color);
    void drawVectors(const PointRecord *pts, uint32_t count, const QColor &color);
    void drawLabels(const PointRecord *pts, uint32_t count, const QColor &color, uint32_t stride = 1);
    void drawAxis(double x0, double y0, double z0);
    void drawExtentsBox(const Extent &stats);
    void drawFrustum(const veltrane::FrustumPlanes &planes);
    void drawOverlay(int elapsedMs, bool subset);
    void drawOutsideMarkers(const QColor &color);
    void drawResiduals();
    // The data layers from the arrays of `buffers`, as batches.
    void submitTriangles(const QColor &color, veltrane::DrawBatches &out, uint32_t batchVertices);
    void submitDataSet(veltrane::DataSetBuffers &buffers, const PointRecord *pts, uint32_t count, const QColor &color,
                       uint32_t stride, veltrane::DrawBatches &out, uint32_t batchVertices);
    // A frame in three parts: everything up to the data layers, drawn at
    // once, with the layers' draws appended to `layers`; the layers; then
    // everything after them. `subsetAllowed`: large data sets may be
    // thinned; `batchVertices`: the size of the layers' draws.
    void beginFrame(bool subsetAllowed, veltrane::DrawBatches &layers,
                    uint32_t batchVertices = veltrane::kDrawBatchVertices);
    void finishFrame(int elapsedMs);
    // The camera has rested: the subset on screen gives way to the full frame.
    void cameraRested();
    // The full frame in batches: begun here, continued by drawFullFrameTurn
    // at each turn of the event loop, swapped to the screen by the last.
    void startFullFrame();
    void drawFullFrameTurn();
    // Drops a full frame in progress; it starts again once the camera rests.
    void abandonFullFrame();

    std::unique_ptr<veltrane::SceneBuffers> sceneBuffers;
    int zoomStepsLeft = 0;
    double zoomStepFactor = 1.0;
    // An expose of the view's window is being handled.
    bool exposeInProgress = false;
    // A frame was painted for an expose in this turn of the event loop, at this size.
    bool exposeFrameCurrent = false;
    QSize exposeFrameSize;
    int presentedFrames = 0;
    // renderPixmap() is drawing: the texts are painted into its picture.
    bool renderingOffScreen = false;
    std::vector<uint32_t> outsideIndicesDs2;
    bool outsideIndicesKnown = false;
    // Runs from the last camera change until the camera rests.
    QTimer settleTimer;
    // A subset has been drawn since the camera last rested: the budget
    // stays as it is.
    bool motionUnderWay = false;
    // The frame being drawn is a subset; records of it before culling.
    bool frameIsSubset = false;
    uint32_t frameSubsetRecords = 0;
    int paintedFrames = 0;
    bool subsetShown = false;
    // paintEvent() is painting: a frame for the screen.
    bool paintingOnScreen = false;
    // reRender() is painting, thinned / whole.
    bool reRenderingThinned = false;
    bool reRenderingWhole = false;
    struct FullFrame {
        veltrane::DrawBatches steps;
        std::size_t next = 0;
        std::size_t batchesPerTurn = 1;
        int drawingMs = 0;  // spent drawing, gaps between turns left out
    };
    std::unique_ptr<FullFrame> fullFrame;
    QTimer fullFrameTurn;
    std::shared_ptr<const std::vector<veltrane::ControlResidual>> residualsDs1;
};
