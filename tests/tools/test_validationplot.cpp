// What the picture of the network check shows, read back from its pixels: the
// worst residual's arrow in the colour the colour bar gives the largest
// residual, and histogram bars that hold every validated point in its bin.

#include "tools/validationplot/validationplot.h"

#include <QGuiApplication>
#include <QImage>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

using namespace veltrane;

namespace {

// Ramp colours and histogram bars are saturated; the background, the network,
// the text and the panels are shades of grey.
bool saturated(QRgb c)
{
    const int high = std::max({qRed(c), qGreen(c), qBlue(c)}), low = std::min({qRed(c), qGreen(c), qBlue(c)});
    return high - low > 60;
}

bool near(QRgb a, QRgb b)
{
    constexpr int kTolerance = 16;
    return std::abs(qRed(a) - qRed(b)) <= kTolerance && std::abs(qGreen(a) - qGreen(b)) <= kTolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= kTolerance;
}

// A 5 x 4 grid of control points 0.1 degrees apart, each square split in
// two. The six interior points are validated; the worst residual points east,
// the others north or south, so only the worst arrow is wider than tall.
class ValidationPlot : public ::testing::Test {
protected:
    static constexpr int kColumns = 5;
    static constexpr int kRows = 4;

    static void SetUpTestSuite()
    {
        qputenv("QT_QPA_PLATFORM", "minimal:enable_fonts");
        static int argc = 1;
        static char name[] = "test_validationplot";
        static char *argv[] = {name, nullptr};
        application = std::make_unique<QGuiApplication>(argc, argv);

        std::vector<PointRecord> control;
        std::vector<Triangle> triangles;
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

        NetworkValidation validation;
        validation.residuals.resize(control.size());
        for (ControlResidual &r : validation.residuals)
            r.state = ResidualState::Boundary;
        // Horizontal residuals 1.0, 0.8, 0.5, 0.52, 0.21 and 0.03 m fall in
        // bins 19, 16, 10, 10, 4 and 0 of twenty.
        const auto validated = [&](int c, int r, double east, double north) {
            ControlResidual &residual = validation.residuals[size_t(index(c, r))];
            residual.state = ResidualState::Validated;
            residual.east = east;
            residual.north = north;
            residual.horizontal = std::hypot(east, north);
        };
        validated(1, 1, 1.0, 0.0);
        validated(2, 1, 0.0, 0.8);
        validated(3, 1, 0.0, 0.5);
        validated(1, 2, 0.0, -0.52);
        validated(2, 2, 0.0, 0.21);
        validated(3, 2, 0.0, -0.03);
        validation.summary = summarizeResiduals(validation.residuals);
        picture = std::make_unique<QImage>(
            renderValidationPlot(control, triangles, validation, QSize(kDefaultPlotWidth, kDefaultPlotHeight))
                .convertToFormat(QImage::Format_RGB32));
        validatedPoints = int(validation.summary.validated);
    }

    static void TearDownTestSuite()
    {
        picture.reset();
        application.reset();
    }

    void SetUp() override
    {
        ASSERT_EQ(picture->size(), QSize(kDefaultPlotWidth, kDefaultPlotHeight));
        ASSERT_EQ(validatedPoints, 6);
        findColourBar();
    }

    // The map fills the left of the picture, the legends a column on the right.
    int legendLeft() const { return picture->width() * 3 / 4; }

    // The colour bar is the one long run of saturated pixels in the legend
    // column: the histogram's bars are a twentieth of it wide.
    void findColourBar()
    {
        std::vector<int> rows;
        for (int y = 0; y < picture->height(); ++y) {
            int run = 0;
            for (int x = legendLeft(); x < picture->width(); ++x) {
                run = saturated(picture->pixel(x, y)) ? run + 1 : 0;
                if (run > picture->width() / 10) {
                    rows.push_back(y);
                    break;
                }
            }
        }
        ASSERT_FALSE(rows.empty()) << "no colour bar in the legend column";
        barBottom = rows.back();
        const int y = rows[rows.size() / 2];
        int right = picture->width() - 1;
        while (right > legendLeft() && !saturated(picture->pixel(right, y)))
            --right;
        // A few pixels in from the bar's anti-aliased end.
        largestColour = picture->pixel(right - 2, y);
    }

    static std::unique_ptr<QGuiApplication> application;
    static std::unique_ptr<QImage> picture;
    static int validatedPoints;
    int barBottom = 0;
    QRgb largestColour = 0;
};

std::unique_ptr<QGuiApplication> ValidationPlot::application;
std::unique_ptr<QImage> ValidationPlot::picture;
int ValidationPlot::validatedPoints = 0;

TEST_F(ValidationPlot, WorstArrowTakesTheColourBarsLargestColour)
{
    // Every map pixel of that colour belongs to one arrow, and it points east.
    int count = 0, left = picture->width(), right = -1, top = picture->height(), bottom = -1;
    for (int y = 0; y < picture->height(); ++y)
        for (int x = 0; x < legendLeft(); ++x)
            if (near(picture->pixel(x, y), largestColour)) {
                ++count;
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    ASSERT_GE(count, 30) << "no arrow in colour " << std::hex << largestColour;
    EXPECT_GE(right - left + 1, 3 * (bottom - top + 1))
        << "pixels of the largest colour span " << left << ".." << right << " x " << top << ".." << bottom;
}

TEST_F(ValidationPlot, HistogramBarsHoldEveryValidatedPointInItsBin)
{
    // Bars below the colour bar, left to right, each as tall as its most
    // saturated column; the tallest holds the two points of bin 10.
    std::vector<int> heights;
    bool inBar = false;
    for (int x = legendLeft(); x < picture->width(); ++x) {
        int column = 0;
        for (int y = barBottom + 2; y < picture->height(); ++y)
            column += saturated(picture->pixel(x, y)) ? 1 : 0;
        if (column > 0 && !inBar)
            heights.push_back(0);
        if (column > 0)
            heights.back() = std::max(heights.back(), column);
        inBar = column > 0;
    }
    ASSERT_FALSE(heights.empty()) << "no histogram bars below the colour bar";
    const int tallest = *std::max_element(heights.begin(), heights.end());
    std::vector<int> counts;
    int total = 0;
    for (const int h : heights) {
        counts.push_back(int(std::lround(2.0 * h / tallest)));
        total += counts.back();
    }
    EXPECT_EQ(counts, (std::vector<int>{1, 1, 2, 1, 1}));  // bins 0, 4, 10, 16, 19
    EXPECT_EQ(total, validatedPoints);
}

}  // namespace
