// The network check in the view: the worst residual's arrow in the ramp's
// top colour east of its point, only while "Show Residuals" is on, boundary
// points marked, and the camera put on the worst point.

#include "engine/network/residualramp.h"
#include "tests/support/viewtestscene.h"
#include "view/residualarrows.h"

#include <QTest>
#include <cmath>

using veltrane::ControlResidual;
using veltrane::ResidualState;

namespace {

// Metres east of the worst residual; the multiplier that makes it visible.
constexpr double kWorstEast = 0.02;
constexpr int32_t kMultiplier = 8000000;

ControlResidual residual(ResidualState state, double east, double north)
{
    ControlResidual r;
    r.state = state;
    r.east = east;
    r.north = north;
    r.horizontal = std::hypot(east, north);
    return r;
}

QColor rampTop()
{
    const veltrane::RampColour c = veltrane::residualRamp(1.0);
    return QColor::fromRgbF(c.red, c.green, c.blue);
}

}  // namespace

class TestResiduals : public QObject {
    Q_OBJECT

private slots:
    void arrowsTakeTheRampAndTheMultiplier();
    void worstArrowIsDrawnEastOfItsPointOnlyWhenAsked();
};

void TestResiduals::arrowsTakeTheRampAndTheMultiplier()
{
    const std::vector<PointRecord> control = {makeRecord(-120.0, 0.0, 0, 0, 0, "A"),
                                              makeRecord(-120.0, 60.0, 0, 0, 0, "B"),
                                              makeRecord(-121.0, 60.0, 0, 0, 0, "C")};
    const std::vector<ControlResidual> residuals = {residual(ResidualState::Validated, 0.01, 0.0),
                                                    residual(ResidualState::Validated, 0.0, -0.005),
                                                    residual(ResidualState::Boundary, 0.0, 0.0)};
    const auto arrows = veltrane::residualArrows(control.data(), 3, residuals, 10.0);
    QCOMPARE(arrows.size(), size_t(2));
    // 10 x 1 cm east at the equator: a degree there is about 111.32 km.
    QVERIFY(std::fabs(arrows[0].east - 0.1 / 111319.49) < 1e-9);
    QCOMPARE(arrows[0].north, 0.0);
    QVERIFY(arrows[1].north < 0.0 && std::fabs(arrows[1].north + 0.05 / 111412.0) < 2e-9);
    QCOMPARE(arrows[0].colour, rampTop());
    QCOMPARE(arrows[1].colour, [] {
        const veltrane::RampColour c = veltrane::residualRamp(0.5);
        return QColor::fromRgbF(c.red, c.green, c.blue);
    }());
    QCOMPARE(veltrane::boundaryPoints(3, residuals), std::vector<uint32_t>{2});
    // Residuals beyond the points drawn are left out.
    QCOMPARE(veltrane::residualArrows(control.data(), 1, residuals, 10.0).size(), size_t(1));
}

void TestResiduals::worstArrowIsDrawnEastOfItsPointOnlyWhenAsked()
{
    TestScene scene = makeScene(1, 1);
    scene.control->push_back(makeRecord(-120.5, 43.75, 0.0, 1e-6, 1e-6, "WORST"));
    scene.control->push_back(makeRecord(-122.0, 44.5, 0.0, 1e-6, 1e-6, "SMALL"));
    scene.controlExtent = statsOf(*scene.control);
    auto residuals = std::make_shared<std::vector<ControlResidual>>(4, residual(ResidualState::Boundary, 0, 0));
    residuals->push_back(residual(ResidualState::Validated, kWorstEast, 0.0));
    residuals->push_back(residual(ResidualState::Validated, 0.0, 0.004));
    auto view = makeShownView(scene);
    QVERIFY(view);
    view->setResiduals(residuals);
    view->iVectorMult = kMultiplier;
    view->bDrawDs2 = false;
    lookDown(*view, -121.0, 44.0, 20.0);

    const PointRecord &worst = scene.control->at(4);
    const QPoint start = pixelOf(*view, worst.x, worst.y, 0.0);
    const double degreesEast = kMultiplier * kWorstEast / (111319.49 * std::cos(worst.y * M_PI / 180.0));
    const QPoint end = pixelOf(*view, worst.x + degreesEast, worst.y, 0.0);
    QVERIFY2(end.x() - start.x() > 30, qPrintable(QString::number(end.x() - start.x())));
    // On the shaft, past the point's own dot.
    const QPoint shaft(start.x() + (end.x() - start.x()) * 2 / 3, start.y());

    QVERIFY(!sameColor(renderImage(*view).pixel(shaft), rampTop(), 12));
    view->updateDrawResiduals(Qt::Checked);
    const QImage image = renderImage(*view);
    QVERIFY2(sameColor(image.pixel(shaft), rampTop(), 12), qPrintable(QColor(image.pixel(shaft)).name()));
    // The boundary points' squares: a corner's mark beside its dot.
    const PointRecord &corner = scene.control->at(0);
    const QPoint mark = pixelOf(*view, corner.x, corner.y, corner.h * kTestScaleZ) + QPoint(5, 0);
    QVERIFY(QRect(0, 0, kViewSide, kViewSide).contains(mark));
    QVERIFY2(sameColor(image.pixel(mark), QColor(200, 200, 200), 24), qPrintable(QColor(image.pixel(mark)).name()));

    QVERIFY(view->centreOnWorstResidual());
    const GLC_Vector3d target = view->viewport.cameraHandle()->target();
    QCOMPARE(target.x(), worst.x);
    QCOMPARE(target.y(), worst.y);
}

QTEST_MAIN(TestResiduals)
#include "test_residuals.moc"
