// What the picture of the network check shows: the content decisions (bins,
// arrows, names, scales) on their own, then the pixels and the PDF's text of
// a drawn picture: the worst residual's arrow and name where the point is,
// the footer naming the network files.

#include "engine/files/filedigest.h"
#include "report/mapprojection.h"
#include "report/plotcaption.h"
#include "report/plotcontent.h"
#include "report/plotlayout.h"
#include "report/plotscales.h"
#include "report/plotstyle.h"
#include "report/validationplot.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <numeric>

using namespace veltrane;

namespace {

ControlResidual validated(double east, double north, double up = 0.0)
{
    ControlResidual r;
    r.state = ResidualState::Validated;
    r.east = east;
    r.north = north;
    r.up = up;
    r.horizontal = std::hypot(east, north);
    return r;
}

TEST(PlotContent, HistogramBinsSpreadTheValuesOverAtLeastTenBars)
{
    // A long tail (every tenth value ten times larger) and a few outliers:
    // fitted to the largest, all but the outliers would share two bars.
    std::vector<double> values;
    for (int i = 1; i <= 400; ++i)
        values.push_back(0.01 * i * (i % 10 == 0 ? 10.0 : 1.0));
    values.insert(values.end(), {500.0, 800.0, 1200.0});
    const HistogramBins bins = histogramBins(values);
    EXPECT_GE(bins.nonEmpty(), 10);
    EXPECT_LE(bins.counts.size(), 41u);
    EXPECT_EQ(std::accumulate(bins.counts.begin(), bins.counts.end(), 0u) + bins.overflow, values.size());
    EXPECT_GE(bins.overflow, 3u);  // the outliers
    // A round width: 1, 2, 2.5 or 5 times a power of ten.
    const double mantissa = bins.width / std::pow(10.0, std::floor(std::log10(bins.width)));
    EXPECT_TRUE(mantissa == 1.0 || mantissa == 2.0 || mantissa == 2.5 || mantissa == 5.0) << bins.width;

    // Six values make at most six bars (in bins 0, 4, 10, 12, 16 of 0.05
    // and the overflow bin), and each is counted once.
    const HistogramBins few = histogramBins({0.03, 0.21, 0.5, 0.62, 0.8, 1.0});
    EXPECT_EQ(few.nonEmpty(), 6);
    const HistogramBins zeros = histogramBins({0.0, 0.0});
    EXPECT_EQ(zeros.counts, std::vector<uint32_t>{2});
}

TEST(PlotContent, ArrowsShowTheMedianAndBoundTheLargest)
{
    struct Case {
        std::vector<double> millimetres;
        double medianPixels, longestPixels;
        double pixelsPerMillimetre, clip, bar;
    };
    const double none = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        {{0.1, 0.2, 0.3}, 16, 70, 80, none, 0.2},        // the largest 24 pixels: nothing cut
        {{0.1, 0.2, 0.3, 5.0}, 16, 70, 53.333, 1.3, 1},  // 5 mm would be 267 pixels: cut at 1.3 mm
        {{0.0, 0.0, 0.4}, 16, 70, 40, none, 0.2},        // a zero median: scaled on the largest
        {{0.0, 0.0}, 16, 70, 0, none, 0},
    };
    for (const Case &c : cases) {
        const ArrowScale scale = arrowScale(c.millimetres, c.medianPixels, c.longestPixels);
        EXPECT_NEAR(scale.pixelsPerMillimetre, c.pixelsPerMillimetre, 1e-3) << c.millimetres.back();
        if (std::isinf(c.clip))
            EXPECT_FALSE(scale.clips()) << c.millimetres.back();
        else
            EXPECT_NEAR(scale.clipMillimetres, c.clip, 1e-9) << c.millimetres.back();
        EXPECT_NEAR(scale.barMillimetres, c.bar, 1e-12) << c.millimetres.back();
        EXPECT_LE(std::min(c.millimetres.back(), scale.clipMillimetres) * scale.pixelsPerMillimetre, c.longestPixels);
    }
}

TEST(PlotContent, LargestResidualsAreNamedAndOnlyTheyGetArrowsWhenThinned)
{
    std::vector<ControlResidual> residuals(30);
    for (size_t i = 0; i < residuals.size(); ++i) {
        if (i % 3 == 0)
            residuals[i].state = ResidualState::Boundary;
        else
            residuals[i] = validated(0.001 * double((i * 7) % 30), 0.0);
    }
    residuals[3].horizontal = 99.0;  // a boundary point's number is never looked at
    const std::vector<size_t> named = largestResiduals(residuals, 3);
    EXPECT_EQ(named, (std::vector<size_t>{17, 4, 8}));  // 29, 28 and 26 mm

    const ArrowSelection all = selectArrows(residuals, 100);
    EXPECT_EQ(all.drawn.size(), 20u);
    EXPECT_FALSE(all.thinned());
    EXPECT_EQ(all.thresholdMillimetres, 0.0);
    const ArrowSelection thinned = selectArrows(residuals, 5);
    EXPECT_TRUE(thinned.thinned());
    EXPECT_EQ(thinned.validated, 20u);
    ASSERT_EQ(thinned.drawn.size(), 5u);
    EXPECT_EQ(std::vector<size_t>(thinned.drawn.begin(), thinned.drawn.begin() + 3), named);
    EXPECT_DOUBLE_EQ(thinned.thresholdMillimetres, residuals[thinned.drawn.back()].horizontal * 1000.0);
    for (size_t i = 0; i < residuals.size(); ++i) {
        if (residuals[i].state == ResidualState::Validated &&
            residuals[i].horizontal * 1000.0 > thinned.thresholdMillimetres) {
            EXPECT_NE(std::find(thinned.drawn.begin(), thinned.drawn.end(), i), thinned.drawn.end()) << i;
        }
    }
}

TEST(PlotScales, TicksAndNumbersReadAsASurveyorWritesThem)
{
    const QString deg = QChar(0x00B0), min = QChar(0x2032), sec = QChar(0x2033);
    const struct {
        double degrees;
        bool latitude;
        double step;
        QString text;
    } angles[] = {
        {-124.5, false, 0.5, "124" + deg + "30" + min + "W"},
        {42.0, true, 1.0, "42" + deg + "00" + min + "N"},
        {-0.25, true, 0.25, "0" + deg + "15" + min + "S"},
        {45.2625, true, 15 / 3600.0, "45" + deg + "15" + min + "45" + sec + "N"},
        {0.0, false, 1.0, "0" + deg + "00" + min},
    };
    for (const auto &a : angles)
        EXPECT_EQ(angleText(a.degrees, a.latitude, a.step), a.text) << a.degrees;

    EXPECT_DOUBLE_EQ(graticuleStep(5.0, 4), 1.0);
    EXPECT_DOUBLE_EQ(graticuleStep(0.4, 4), 5 / 60.0);
    EXPECT_DOUBLE_EQ(graticuleStep(0.01, 4), 5 / 3600.0);
    EXPECT_DOUBLE_EQ(groundScaleKm(480.0), 50.0);
    EXPECT_DOUBLE_EQ(groundScaleKm(0.9), 0.1);
    for (const auto &[mm, text] : std::vector<std::pair<double, QString>>{{0.000129 * 1000, "0.129 mm"},
                                                                          {1.2094, "1.21 mm"},
                                                                          {12.34, "12.3 mm"},
                                                                          {1234.0, "1234 mm"},
                                                                          {0.0, "0 mm"},
                                                                          {0.2, "0.2 mm"},
                                                                          {-0.00001, "0 mm"}})
        EXPECT_EQ(millimetreText(mm), text) << mm;
}

TEST(PlotFooter, NamesTheNetworkFilesWithTheirDigestsTheTinDirectionVersionAndDate)
{
    QTemporaryDir dir;
    for (const char *name : {"a.csv", "b.csv", "net.obj"}) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("abc");  // SHA-256 ba7816bf8f01cfea...
    }
    const NetworkFiles files{dir.filePath("a.csv"), dir.filePath("b.csv"), dir.filePath("net.obj")};
    const QDateTime when(QDate(2024, 3, 5), QTime(23, 30), Qt::OffsetFromUTC, -3600);  // 6 March, UTC
    ConversionSettings settings;
    settings.tinSource = TinSource::FromFile;
    settings.direction = DatumDirection::Cors96aToCors96;
    EXPECT_EQ(provenanceLines(networkProvenance(files, settings, "2.3", when)),
              QStringList({"Control files: a.csv (SHA-256 ba7816bf8f01), b.csv (SHA-256 ba7816bf8f01); TIN file "
                           "net.obj (SHA-256 ba7816bf8f01)",
                           "Direction NAD83(CORS96a) to NAD83(CORS96) | Veltrane 2.3 | 2024-03-06 UTC"}));
    settings.tinSource = TinSource::Generate;
    QFile::remove(files.target);
    const QStringList generated = provenanceLines(networkProvenance(files, settings, "2.3", when));
    EXPECT_TRUE(generated[0].endsWith("b.csv (unreadable); TIN by Delaunay triangulation of the control points"))
        << generated[0].toStdString();
}

bool near(QRgb a, QRgb b, int tolerance)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

// The names' purple, also where anti-aliasing blends it with the white
// behind: no arrow, bar or symbol has red and blue both well above green.
bool namePurple(QRgb c)
{
    constexpr int kMargin = 50;
    return qRed(c) - qGreen(c) > kMargin && qBlue(c) - qGreen(c) > kMargin;
}

// A 5 x 4 grid of control points 0.1 degrees apart, each square split in
// two. The six interior points are validated; the worst residual points
// east, the others north or south.
class ValidationPicture : public ::testing::TestWithParam<QSize> {
protected:
    static constexpr int kColumns = 5;
    static constexpr int kRows = 4;
    static constexpr size_t kWorst = 6;  // column 1, row 1

    static void SetUpTestSuite()
    {
        qputenv("QT_QPA_PLATFORM", "minimal:enable_fonts");
        static int argc = 1;
        static char name[] = "test_validationplot";
        static char *argv[] = {name, nullptr};
        application = std::make_unique<QGuiApplication>(argc, argv);
        for (int r = 0; r < kRows; ++r)
            for (int c = 0; c < kColumns; ++c) {
                PointRecord p;
                p.x = -123.5 + 0.1 * c;
                p.y = 45.2 + 0.1 * r;
                p.id = QStringLiteral("C%1R%2").arg(c).arg(r);
                control.push_back(p);
            }
        const auto index = [](int c, int r) { return int32_t(r * kColumns + c); };
        for (int r = 0; r + 1 < kRows; ++r)
            for (int c = 0; c + 1 < kColumns; ++c) {
                triangles.push_back({index(c, r), index(c + 1, r), index(c + 1, r + 1)});
                triangles.push_back({index(c, r), index(c + 1, r + 1), index(c, r + 1)});
            }
        validation.residuals.resize(control.size());
        for (ControlResidual &r : validation.residuals)
            r.state = ResidualState::Boundary;
        const auto set = [&](int c, int r, double east, double north) {
            validation.residuals[size_t(index(c, r))] = validated(east, north, north * 0.5);
        };
        set(1, 1, 0.010, 0.0);
        set(2, 1, 0.0, 0.008);
        set(3, 1, 0.0, 0.005);
        set(1, 2, 0.0, -0.0052);
        set(2, 2, 0.0, 0.0021);
        set(3, 2, 0.0, -0.0003);
        validation.summary = summarizeResiduals(validation.residuals);
        provenance.controlFiles = {SourceFile{"src.csv", QByteArray(64, 'a')}, SourceFile{"dst.csv", QByteArray()}};
        provenance.version = QStringLiteral("9.8.7");
        provenance.utc = QDateTime(QDate(2024, 1, 2), QTime(3, 4), Qt::UTC);
    }

    static void TearDownTestSuite() { application.reset(); }

    static ValidationPlotInput input() { return {control, triangles, validation, provenance}; }

    // Where the map puts control point i on a picture of `size`.
    static QPointF position(const QSize &size, size_t i)
    {
        const QRectF frame = plotLayout(size).map;
        return MapProjection(control, frame, plotStyle(size).px(kMapPadding)).at(control[i].x, control[i].y);
    }

    static std::unique_ptr<QGuiApplication> application;
    static std::vector<PointRecord> control;
    static std::vector<Triangle> triangles;
    static NetworkValidation validation;
    static NetworkProvenance provenance;
};

std::unique_ptr<QGuiApplication> ValidationPicture::application;
std::vector<PointRecord> ValidationPicture::control;
std::vector<Triangle> ValidationPicture::triangles;
NetworkValidation ValidationPicture::validation;
NetworkProvenance ValidationPicture::provenance;

TEST_P(ValidationPicture, WorstPointIsNamedAndItsArrowPointsEastInTheLargestColour)
{
    const QSize size = GetParam();
    const QImage picture = renderValidationPlot(input(), size).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(picture.size(), size);
    const std::vector<size_t> named = largestResiduals(validation.residuals, kNamedResiduals);
    ASSERT_FALSE(named.empty());
    EXPECT_EQ(named.front(), kWorst);

    const double unit = plotStyle(size).unit;
    const QPointF worst = position(size, kWorst);
    const QRect map = plotLayout(size).map.toRect();
    const QRgb largest = rampColour(1.0).rgb();
    ASSERT_TRUE(namePurple(kPlotLabelColour.rgb()));
    int labelPixels = 0, arrowPixels = 0, strayArrowPixels = 0;
    for (int y = map.top(); y <= map.bottom(); ++y)
        for (int x = map.left(); x <= map.right(); ++x) {
            const QRgb c = picture.pixel(x, y);
            const double dx = x - worst.x(), dy = y - worst.y();
            if (namePurple(c) && std::hypot(dx, dy) < 60 * unit)
                ++labelPixels;
            if (near(c, largest, 24)) {
                // East of the point, about as high as the arrow's head.
                if (dx > -2 && dx < 40 * unit && std::fabs(dy) < 8 * unit)
                    ++arrowPixels;
                else
                    ++strayArrowPixels;
            }
        }
    EXPECT_GE(labelPixels, int(40 * unit * unit)) << "no name or ring around the worst point";
    EXPECT_GE(arrowPixels, int(20 * unit * unit)) << "no arrow east of the worst point";
    EXPECT_EQ(strayArrowPixels, 0);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ValidationPicture,
                         ::testing::Values(QSize(kDefaultPlotWidth, kDefaultPlotHeight), QSize(3200, 2000),
                                           QSize(800, 500)));

class ValidationPdf : public ValidationPicture {};

TEST_F(ValidationPdf, OnePageWhoseTextHoldsTheFooterAndTheWorstPoint)
{
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    const QString pdfinfo = QStandardPaths::findExecutable(QStringLiteral("pdfinfo"));
    if (pdftotext.isEmpty() || pdfinfo.isEmpty())
        GTEST_SKIP() << "pdftotext and pdfinfo (poppler-utils) are not installed";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("check.pdf"));
    QByteArray bytes;
    QString error;
    ASSERT_TRUE(encodeValidationPlot(path, input(), QSize(kDefaultPlotWidth, kDefaultPlotHeight), bytes, error))
        << error.toStdString();
    ASSERT_TRUE(bytes.startsWith("%PDF-"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();

    const auto run = [](const QString &program, const QStringList &args) {
        QProcess process;
        process.start(program, args);
        process.waitForFinished();
        return QString::fromUtf8(process.readAllStandardOutput());
    };
    EXPECT_TRUE(run(pdfinfo, {path}).contains(QRegularExpression("Pages:\\s+1\\n")));
    // Letters as they are, with no ligature ("fi" in "files").
    const QString text = run(pdftotext, {"-raw", path, "-"});
    for (const QString &line : provenanceLines(provenance))
        EXPECT_TRUE(text.contains(line)) << line.toStdString() << "\nin:\n" << text.toStdString();
    EXPECT_TRUE(text.contains(control[kWorst].id));
    EXPECT_TRUE(text.contains(QStringLiteral("maximum 10 mm at C1R1"))) << text.toStdString();
}

}  // namespace
