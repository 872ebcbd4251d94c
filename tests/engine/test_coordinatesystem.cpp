// Coordinate systems through PROJ: what each kind of definition gives, the
// column names of its unit, and the conversion from many threads at once.

#include "engine/formats/gridoutput.h"
#include "engine/geodesy/coordinatesystem.h"
#include "engine/geodesy/gridconversion.h"

#include <gtest/gtest.h>

#include <thread>

using namespace veltrane;

namespace {

TEST(CoordinateSystem, DefinitionsGiveKindAndUnit)
{
    const struct {
        const char *definition;
        CoordinateKind kind;
        const char *unit;  // column label
    } cases[] = {
        {"EPSG:4269", CoordinateKind::Geographic, ""},
        {"EPSG:26910", CoordinateKind::Projected, "M"},
        {"EPSG:2286", CoordinateKind::Projected, "FTUS"},
        {"EPSG:2994", CoordinateKind::Projected, "FT"},
        {"ESRI:102643", CoordinateKind::Projected, "FTUS"},
        {"+proj=utm +zone=10 +ellps=GRS80 +units=us-ft", CoordinateKind::Projected, "FTUS"},
        {"+proj=tmerc +lon_0=-123 +ellps=GRS80 +units=ch +towgs84=0,0,0", CoordinateKind::Projected, "CHAIN"},
        {"EPSG:6317", CoordinateKind::Geocentric, "M"},
        {"PROJCRS[\"UTM 10 in feet\",BASEGEOGCRS[\"NAD83(CORS96)\",DATUM[\"NAD83 (CORS96)\",ELLIPSOID[\"GRS 1980\","
         "6378137,298.257222101]]],CONVERSION[\"UTM zone 10N\",METHOD[\"Transverse Mercator\",ID[\"EPSG\",9807]],"
         "PARAMETER[\"Longitude of natural origin\",-123,ANGLEUNIT[\"degree\",0.0174532925199433]],"
         "PARAMETER[\"Scale factor at natural origin\",0.9996,SCALEUNIT[\"unity\",1]],"
         "PARAMETER[\"False easting\",500000,LENGTHUNIT[\"metre\",1]]],CS[Cartesian,2],"
         "AXIS[\"(E)\",east,LENGTHUNIT[\"foot\",0.3048]],AXIS[\"(N)\",north,LENGTHUNIT[\"foot\",0.3048]]]",
         CoordinateKind::Projected, "FT"},
    };
    for (const auto &c : cases) {
        CoordinateSystem system;
        std::string error;
        ASSERT_TRUE(describeCoordinateSystem(c.definition, system, error)) << c.definition << ": " << error;
        EXPECT_EQ(system.kind, c.kind) << c.definition;
        EXPECT_EQ(system.pipeline.empty(), c.kind == CoordinateKind::Geographic) << c.definition;
        if (c.kind != CoordinateKind::Geographic) {
            EXPECT_EQ(unitLabel(system), c.unit) << c.definition;
        }
        // Never a datum transformation: the conversion's steps only.
        for (const char *datumStep : {"helmert", "gridshift", "molodensky", "deformation"})
            EXPECT_EQ(system.pipeline.find(datumStep), std::string::npos) << c.definition << ": " << system.pipeline;
    }
}

TEST(CoordinateSystem, ConvertersOnManyThreadsAgreeWithOne)
{
    CoordinateSystem feet;
    std::string error;
    ASSERT_TRUE(describeCoordinateSystem("EPSG:2286", feet, error)) << error;
    const GridConversion conversion(feet, feet, DatumDirection::Cors96ToCors96a);
    ASSERT_TRUE(conversion.ready(error)) << error;

    std::vector<PointRecord> points(2000);
    for (size_t i = 0; i < points.size(); ++i) {
        points[i].x = 1.0e6 + double(i) * 37.5;
        points[i].y = -1.0e6 + double(i) * 11.25;
        points[i].h = 100.0;
    }
    std::vector<GridPoint> expected;
    std::vector<PointRecord> once = points;
    conversion.toGeographic(once, expected);
    EXPECT_NEAR(once[0].h, 100.0 * 1200.0 / 3937.0, 1e-12);  // heights go to metres

    std::vector<std::vector<PointRecord>> results(8, points);
    std::vector<std::thread> threads;
    for (auto &result : results)
        threads.emplace_back([&conversion, &result] {
            std::vector<GridPoint> grid;
            for (int round = 0; round < 20; ++round) {
                std::vector<PointRecord> copy = result;
                conversion.toGeographic(copy, grid);
                if (round == 19)
                    result = copy;
            }
        });
    for (std::thread &thread : threads)
        thread.join();
    for (const auto &result : results) {
        for (size_t i = 0; i < points.size(); ++i) {
            ASSERT_EQ(result[i].x, once[i].x) << i;
            ASSERT_EQ(result[i].y, once[i].y) << i;
        }
    }
}

TEST(GridOutput, HeaderFollowsDirectionAndKinds)
{
    const struct {
        DatumDirection direction;
        PositionColumns source, target;
        const char *header;
    } cases[] = {
        {DatumDirection::Cors96ToCors96a,
         {CoordinateKind::Projected, "FTUS"},
         {CoordinateKind::Projected, "FTUS"},
         "POINT_ID,E_CORS96_FTUS,N_CORS96_FTUS,h_CORS96_FTUS,E_CORS96a_FTUS,N_CORS96a_FTUS,h_CORS96a_FTUS,s,AZIMUTH,"
         "DeltaH,DeltaE,DeltaN\n"},
        {DatumDirection::Cors96aToCors96,
         {CoordinateKind::Geocentric, "M"},
         {CoordinateKind::Geographic, ""},
         "POINT_ID,X_CORS96,Y_CORS_96,h_CORS_96,X_CORS96a_M,Y_CORS96a_M,Z_CORS96a_M,s,AZIMUTH,DeltaH,DeltaX,DeltaY,"
         "DeltaZ\n"},
        {DatumDirection::Cors96ToCors96a,
         {CoordinateKind::Geographic, ""},
         {CoordinateKind::Projected, "M"},
         "POINT_ID,X_CORS96,Y_CORS_96,h_CORS_96,E_CORS96a_M,N_CORS96a_M,h_CORS96a_M,s,AZIMUTH,DeltaH\n"},
    };
    for (const auto &c : cases) {
        GridLayout layout;
        layout.direction = c.direction;
        layout.source = c.source;
        layout.target = c.target;
        EXPECT_EQ(gridOutputHeader(layout), c.header);
    }
}

}  // namespace
