// veltrane-convert with --crs and --output-crs: the sample points in a UTM,
// a US-survey-foot state plane and a geocentric system give what PROJ's cct
// gives with the exported network between the system's inverse and forward
// conversion steps; systems the run cannot use are usage errors that write
// nothing.

#include "tests/support/conversiontestsupport.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>

namespace {

// PROJ's conversions and the network agree far closer; the bound of the checks.
constexpr double kToleranceMetres = 0.001;
constexpr int kSamplePoints = 50;

struct ProgramRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

ProgramRun runProgram(const QString &program, const QStringList &args, const QString &folder,
                      const QByteArray &input = {})
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(program, args);
    process.write(input);
    process.closeWriteChannel();
    ProgramRun run;
    if (!process.waitForFinished(120000))
        return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

// The PROJ string of a system as projinfo writes it, without what makes it
// a system rather than a conversion step.
QString conversionStep(const QString &crs, QString &unit)
{
    const ProgramRun projinfo = runProgram("projinfo", {"-o", "PROJ", "-q", crs}, QDir::tempPath());
    QStringList step;
    unit = "m";
    for (const QString &token : QString::fromUtf8(projinfo.out).simplified().split(' ')) {
        if (token.startsWith("+units="))
            unit = token.mid(7);
        if (!token.startsWith("+type=") && !token.startsWith("+no_defs") && !token.startsWith("+towgs84="))
            step.append(token);
    }
    return step.join(' ');
}

// cct's numbers, one row of three per line ("inf" where it gives none).
QList<QList<double>> cctRows(const QStringList &pipeline, const QByteArray &input, const QString &folder)
{
    const ProgramRun cct = runProgram("cct", QStringList{"-d", "10"} + pipeline, folder, input);
    QList<QList<double>> rows;
    for (const QByteArray &line : cct.out.trimmed().split('\n')) {
        if (line.startsWith('#'))
            continue;  // its note on a point it cannot convert, before the point's line
        // A point cct cannot convert reads " ((null))".
        const QList<QByteArray> fields = line.simplified().split(' ');
        QList<double> row;
        for (int c = 0; c < 3; ++c) {
            bool number = false;
            const double value = fields.value(c).toDouble(&number);
            row.append(number ? value : HUGE_VAL);
        }
        rows.append(row);
    }
    return rows;
}

class ConvertCrs : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable("cct").isEmpty() || QStandardPaths::findExecutable("projinfo").isEmpty())
            GTEST_SKIP() << "PROJ's cct and projinfo are not installed";
        for (const char *name : {"TARVONA_NAD83_CORS96_CONTROL.csv", "TARVONA_NAD83_CORS96a_CONTROL.csv",
                                 "TARVONA_TIN_CONTROL.obj", "sample_points.csv"})
            ASSERT_TRUE(QFile::copy(QString(VELTRANE_SOURCE_DIR "/data/") + name, dir.filePath(name)));
        for (const QByteArray &line : readLines(dir.filePath("sample_points.csv"))) {
            // The file separates its columns by commas, blanks or tabs.
            const QList<QByteArray> fields = QByteArray(line).replace('\t', ',').replace(' ', ',').split(',');
            if (!line.startsWith('#') && fields.size() == 4 && fields[0] != "longitude" &&
                samples.size() < kSamplePoints)
                samples.append(fields);
        }
        ASSERT_EQ(samples.size(), kSamplePoints);
    }
    ProgramRun convert(const QStringList &args) { return runProgram(VELTRANE_CONVERT, args, dir.path()); }

    QTemporaryDir dir;
    QList<QList<QByteArray>> samples;  // longitude, latitude, height, name
};

TEST_F(ConvertCrs, GridPointsEqualCctOverTheExportedNetwork)
{
    // The metre, US survey foot and geocentric systems of the checks.
    for (const char *crs : {"EPSG:26910", "EPSG:2286", "EPSG:6317"}) {
        SCOPED_TRACE(crs);
        QString unit;
        const QString step = conversionStep(crs, unit);
        // The step's +units take the heights to metres too, as the
        // conversion does with heights in the system's unit.
        const QString toDegrees = "+proj=unitconvert +xy_in=rad +xy_out=deg";
        const double metresPerUnit = unit == "us-ft" ? 1200.0 / 3937.0 : 1.0;

        // The sample points in the system, as the user would have them.
        QByteArray degrees;
        for (const QList<QByteArray> &p : samples)
            degrees += p[0] + " " + p[1] + " " + p[2] + "\n";
        const QList<QList<double>> grid = cctRows(QStringList{"+proj=pipeline", "+step", "+inv"} +
                                                      toDegrees.split(' ') + QStringList{"+step"} + step.split(' '),
                                                  degrees, dir.path());
        ASSERT_EQ(grid.size(), kSamplePoints);
        QByteArray input, gridText;
        for (int k = 0; k < kSamplePoints; ++k) {
            QByteArray row = QByteArray::number(grid[k][0], 'f', 10) + " " + QByteArray::number(grid[k][1], 'f', 10) +
                             " " + QByteArray::number(grid[k][2], 'f', 10);
            gridText += row + "\n";
            input += row.replace(' ', ',') + "," + samples[k][3] + "\n";
        }
        writeTextFile(dir.filePath("grid.csv"), input);

        const ProgramRun ours = convert({"--crs", crs, "--export-tinshift", "n.json", "-o", "out.csv", "grid.csv"});
        ASSERT_EQ(ours.exitCode, 0) << ours.err.toStdString();
        const ProgramRun inDegrees = convert({"-o", "deg.csv", "sample_points.csv"});
        ASSERT_EQ(inDegrees.exitCode, 0) << inDegrees.err.toStdString();
        const QList<QList<double>> theirs =
            cctRows(QStringList{"+proj=pipeline", "+step", "+inv"} + step.split(' ') + QStringList{"+step"} +
                        toDegrees.split(' ') + QStringList{"+step", "+proj=tinshift", "+file=n.json", "+step", "+inv"} +
                        toDegrees.split(' ') + QStringList{"+step"} + step.split(' '),
                    gridText, dir.path());
        const QList<QByteArray> lines = readLines(dir.filePath("out.csv"));
        const QList<QByteArray> degreeLines = readLines(dir.filePath("deg.csv"));
        ASSERT_EQ(lines.size(), kSamplePoints + 1);
        ASSERT_EQ(theirs.size(), kSamplePoints);
        const QByteArray suffix = unit == "us-ft" ? "FTUS" : "M";
        EXPECT_TRUE(lines[0].startsWith("POINT_ID," + QByteArray(crs == QString("EPSG:6317") ? "X" : "E") + "_CORS96_" +
                                        suffix))
            << lines[0].toStdString();
        int compared = 0;
        for (int k = 0; k < kSamplePoints; ++k) {
            const QList<QByteArray> f = lines[k + 1].split(',');
            const QList<QByteArray> g = degreeLines[k + 1].split(',');
            ASSERT_GE(f.size(), 12);
            if (!std::isfinite(theirs[k][0]))
                continue;  // outside the network: cct has no fallback
            ++compared;
            for (int c = 0; c < 3; ++c)
                EXPECT_NEAR(f[4 + c].toDouble(), theirs[k][c], kToleranceMetres / metresPerUnit)
                    << samples[k][3].toStdString() << " column " << 4 + c;
            // s and AZIMUTH stay geodesic; the shifts are target minus source.
            EXPECT_NEAR(f[7].toDouble(), g[7].toDouble(), 1e-6) << samples[k][3].toStdString();
            EXPECT_NEAR(f[8].toDouble(), g[8].toDouble(), 1e-3) << samples[k][3].toStdString();
            EXPECT_NEAR(f[10].toDouble(), f[4].toDouble() - f[1].toDouble(), 1e-6);
            EXPECT_NEAR(f[11].toDouble(), f[5].toDouble() - f[2].toDouble(), 1e-6);
        }
        EXPECT_GE(compared, kSamplePoints - 2);
    }
}

TEST_F(ConvertCrs, OutputCrsWritesTheTargetsInAnotherSystem)
{
    // State plane feet in, degrees out: the targets are those of the degree run.
    ASSERT_EQ(convert({"-o", "deg.csv", "sample_points.csv"}).exitCode, 0);
    ASSERT_EQ(convert({"--output-crs", "EPSG:2286", "-o", "ft.csv", "sample_points.csv"}).exitCode, 0);
    // The control shifts stay in degrees, under the degree header.
    EXPECT_EQ(readLines(dir.filePath("controlshift.csv")).value(0),
              "POINT_ID,X_CORS96,Y_CORS_96,h_CORS_96,X_CORS96a,Y_CORS96a,h_CORS96a,s,AZIMUTH,DeltaH");
    const ProgramRun back = convert(
        {"--crs", "EPSG:2286", "--output-crs", "EPSG:4269", "--columns", "id,_,_,_,x,y,h", "-o", "-", "ft.csv"});
    ASSERT_EQ(back.exitCode, 0) << back.err.toStdString();
    // ft.csv holds degrees in columns 2-4 and feet in 5-7; the feet are read back.
    const QList<QByteArray> degrees = readLines(dir.filePath("deg.csv"));
    const QList<QByteArray> feet = readLines(dir.filePath("ft.csv"));
    EXPECT_EQ(feet[0], "POINT_ID,X_CORS96,Y_CORS_96,h_CORS_96,E_CORS96a_FTUS,N_CORS96a_FTUS,h_CORS96a_FTUS,s,AZIMUTH,"
                       "DeltaH");
    EXPECT_EQ(back.out.left(back.out.indexOf('\n')),
              "POINT_ID,E_CORS96_FTUS,N_CORS96_FTUS,h_CORS96_FTUS,X_CORS96a,Y_CORS96a,h_CORS96a,s,AZIMUTH,DeltaH,"
              "DeltaE,DeltaN,field_2,field_3,field_4");  // the columns of no role follow
    ASSERT_EQ(degrees.size(), feet.size());
    for (int k = 1; k < degrees.size(); ++k) {
        const QList<QByteArray> d = degrees[k].split(','), f = feet[k].split(',');
        EXPECT_EQ(f.mid(0, 4), d.mid(0, 4));  // the input as read
        EXPECT_EQ(f.mid(7, 3), d.mid(7, 3));  // s, AZIMUTH, DeltaH in metres
    }
    // The feet are read back as they were written.
    const QList<QByteArray> again = back.out.trimmed().split('\n');
    ASSERT_EQ(again.size(), feet.size());
    for (int k = 1; k < feet.size(); ++k)
        EXPECT_EQ(again[k].split(',').mid(1, 3), feet[k].split(',').mid(4, 3));
}

TEST_F(ConvertCrs, UnusableSystemsAreUsageErrorsThatWriteNothing)
{
    const QDir folder(dir.path());
    const QStringList before = folder.entryList(QDir::Files);
    const struct {
        QStringList args;
        const char *message;
    } cases[] = {
        {{"--crs", "EPSG:99999"}, "--crs EPSG:99999: PROJ knows no such coordinate system"},
        {{"--crs", "no such system"}, "PROJ knows no such coordinate system"},
        {{"--crs", "EPSG:32610"}, "it is on the ellipsoid WGS 84, not on GRS 1980"},
        {{"--crs", "+proj=utm +zone=10 +ellps=clrk66"}, "it is on the ellipsoid Clarke 1866"},
        {{"--output-crs", "EPSG:4326"}, "--output-crs EPSG:4326: it is on the ellipsoid WGS 84"},
        // Longitudes from another meridian would be 2.34 degrees off, not refused.
        {{"--output-crs", "+proj=longlat +ellps=GRS80 +pm=paris"}, "counted from the meridian of Paris"},
        {{"--crs", "+proj=lcc +lat_1=45 +lat_0=44 +ellps=GRS80 +pm=paris"}, "not from Greenwich"},
        {{"--crs", "EPSG:6318+5703"}, "a compound system with a vertical part"},
        {{"--crs", "EPSG:5703"}, "neither a geographic, a projected nor a geocentric"},
        {{"--crs", "EPSG:26910", "--force-negative"}, "--force-negative makes longitudes west ones"},
        {{"--crs", "EPSG:26910", "--validate-network"}, "--crs needs a conversion"},
        {{"--crs", "EPSG:26910", "--angles", "dms"}, "--angles-out need degrees in and out"},
        {{"--output-crs", "EPSG:2286", "--decimal-comma"}, "--angles-out need degrees in and out"},
    };
    for (const auto &c : cases) {
        QStringList args = c.args;
        if (!args.contains("--validate-network"))
            args << "-o"
                 << "out.csv"
                 << "sample_points.csv";
        const ProgramRun run = convert(args);
        EXPECT_EQ(run.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains(c.message)) << run.err.toStdString();
        EXPECT_EQ(folder.entryList(QDir::Files), before) << args.join(' ').toStdString();
    }
}

}  // namespace
