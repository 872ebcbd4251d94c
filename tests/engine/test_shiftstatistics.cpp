// The shifts' statistics of a record and the record's text: the median
// exact while few, within half a bin once binned, whatever the blocks; the
// azimuth a circular mean; the sections naming what the run did.

#include "engine/run/conversionrecord.h"
#include "engine/network/shiftstatistics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

using namespace veltrane;

namespace {

PointRecord shift(double s, double azimuth, double dh = 0.0, double x = -120.0, double y = 45.0)
{
    PointRecord p;
    p.s = s;
    p.azimuth = azimuth;
    p.dh = dh;
    p.x = x;
    p.y = y;
    return p;
}

double exactMedian(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[(values.size() - 1) / 2];
}

TEST(ShiftStatistics, MedianIsExactWhileKeptAndWithinHalfABinOnceBinnedAcrossBlocks)
{
    std::mt19937_64 random(7);
    std::lognormal_distribution<double> length(std::log(0.03), 0.5);
    for (const size_t n : {size_t(1), size_t(2), size_t(1000), size_t(50001)}) {
        std::vector<double> values;
        ShiftStatistics whole, blocks, block;
        for (size_t i = 0; i < n; ++i) {
            values.push_back(length(random));
            whole.add(shift(values.back(), 10.0));
            block.add(shift(values.back(), 10.0));
            if (block.count() == 5000) {  // a block of the stream
                blocks.merge(block);
                block = ShiftStatistics();
            }
        }
        blocks.merge(block);
        const double median = exactMedian(values);
        bool exact = false;
        for (const ShiftStatistics *stats : {&whole, &blocks}) {
            EXPECT_EQ(stats->count(), n);
            EXPECT_EQ(stats->leastLength(), *std::min_element(values.begin(), values.end()));
            EXPECT_EQ(stats->largestLength(), *std::max_element(values.begin(), values.end()));
            const double got = stats->medianLength(&exact);
            if (n <= kUnbinnedLengths) {
                EXPECT_TRUE(exact) << n;
                EXPECT_EQ(got, median) << n;
            } else {
                EXPECT_NEAR(got, median, median * 0.5 / kBinsPerOctave) << n;
            }
        }
    }
}

TEST(ShiftStatistics, MeanAzimuthIsCircularAndDeltaHAndExtentAreRanges)
{
    ShiftStatistics stats;
    // Around north: an arithmetic mean would say 180.
    stats.add(shift(0.02, 350.0, -0.01, -121.0, 44.0));
    stats.add(shift(0.02, 10.0, 0.03, -119.5, 46.0));
    stats.add(shift(0.0, 200.0, 0.0, -120.0, 45.0));  // no length: no direction
    stats.add(shift(std::nan(""), 90.0));             // left out
    EXPECT_EQ(stats.count(), 3u);
    EXPECT_NEAR(stats.meanAzimuth(), 0.0, 1e-9);
    EXPECT_NEAR(stats.azimuthConcentration(), 2.0 * std::cos(10.0 * M_PI / 180.0) / 3.0, 1e-12);
    EXPECT_EQ(stats.leastDeltaH(), -0.01);
    EXPECT_EQ(stats.largestDeltaH(), 0.03);
    EXPECT_EQ(stats.west(), -121.0);
    EXPECT_EQ(stats.east(), -119.5);
    EXPECT_EQ(stats.south(), 44.0);
    EXPECT_EQ(stats.north(), 46.0);

    ShiftStatistics west;
    west.add(shift(0.01, -100.0));
    west.add(shift(0.01, 260.0));
    EXPECT_NEAR(west.meanAzimuth(), 260.0, 1e-9);  // 0 .. 360
}

TEST(ConversionRecordText, SectionsSayWhatTheRunReadWroteAndLeftOutside)
{
    ConversionRecord record;
    record.input = "survey.csv";
    record.inputMeasured = true;
    record.inputBytes = 1234;
    record.inputSha256 = QByteArray(64, 'e');
    record.outputs = QStringList{"survey_out.csv", "controlshift.csv"};
    record.provenance.controlFiles = {SourceFile{"a.csv", QByteArray(64, 'a')}, SourceFile{"b.csv", QByteArray()}};
    record.provenance.version = "9.9";
    record.provenance.utc = QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9), Qt::UTC);
    record.points = 30;
    record.outside = 25;
    record.extended = 20;
    record.rejected = 2;
    record.outsideMode = OutsidePoints::Nearest;
    for (int i = 0; i < kOutsideIdsKept; ++i)
        record.outsideIds.append(QStringLiteral("P%1").arg(i));
    record.shifts.add(shift(0.0125, 45.0, -0.002));

    QStringList lines;
    for (const RecordSection &section : recordSections(record, nullptr, {})) {
        lines << "# " + section.title;
        for (const RecordLine &line : section.lines)
            lines << line.label + ": " + line.value;
    }
    const QString text = lines.join('\n');
    const QString expected[] = {
        "Size: 1234 bytes",
        "SHA-256: " + QString(64, 'e'),
        ": survey_out.csv\n: controlshift.csv",
        "Source controls: a.csv  SHA-256 " + QString(64, 'a'),
        "Target controls: b.csv (unreadable)",
        "TIN: Delaunay triangulation of the control points",
        "Converted: 5",
        "Outside the network: 25 (20 extended from the nearest triangle, 5 written with zeros)",
        "Rejected lines: 2",
        "s median: 0.0125 m\n",
        "Mean azimuth: 45.0 deg",
        "DeltaH range: -0.0020 m to -0.0020 m",
        "Network check: not made",
        "# Points outside the network (the first 20)\n: P0, P1",
        "P19, ...",
        "Program: Veltrane 9.9",
        "Date and time: 2024-05-06 07:08:09 UTC",
    };
    for (const QString &part : expected)
        EXPECT_TRUE(text.contains(part)) << part.toStdString() << "\nin:\n" << text.toStdString();
}

}  // namespace
