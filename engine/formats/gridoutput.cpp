#include "engine/formats/gridoutput.h"

#include "engine/formats/fixedformat.h"

namespace veltrane {

namespace {

// Numbers of one line at most: two positions, s, AZIMUTH, DeltaH, three grid shifts.
constexpr int kMaxNumberColumns = 11;

// The three column names of a position in CORS96 (`cors96`) or CORS96a.
std::string positionHeader(const PositionColumns &columns, bool cors96)
{
    switch (columns.kind) {
    case CoordinateKind::Geographic:
        // The names the degree files always had, their spelling included.
        return cors96 ? "X_CORS96,Y_CORS_96,h_CORS_96" : "X_CORS96a,Y_CORS96a,h_CORS96a";
    case CoordinateKind::Projected:
    case CoordinateKind::Geocentric:
        break;
    }
    const std::string suffix = std::string(cors96 ? "_CORS96_" : "_CORS96a_") + columns.unit;
    if (columns.kind == CoordinateKind::Projected)
        return "E" + suffix + ",N" + suffix + ",h" + suffix;
    return "X" + suffix + ",Y" + suffix + ",Z" + suffix;
}

char *appendPosition(char *p, const double *position, CoordinateKind kind, const OutputDecimals &decimals)
{
    const bool degrees = kind == CoordinateKind::Geographic;
    const int places[] = {degrees ? decimals.degrees : decimals.heights, degrees ? decimals.degrees : decimals.heights,
                          decimals.heights};
    for (int k = 0; k < 3; ++k) {
        *p++ = ',';
        p = formatFixed(p, position[k], places[k]);
    }
    return p;
}

}  // namespace

int gridShiftCount(const GridLayout &layout)
{
    switch (layout.source.kind) {
    case CoordinateKind::Projected:
        return 2;
    case CoordinateKind::Geocentric:
        return 3;
    case CoordinateKind::Geographic:
        break;
    }
    return 0;
}

std::string gridOutputHeader(const GridLayout &layout)
{
    const bool sourceIsCors96 = layout.direction == DatumDirection::Cors96ToCors96a;
    const PositionColumns &cors96 = sourceIsCors96 ? layout.source : layout.target;
    const PositionColumns &cors96a = sourceIsCors96 ? layout.target : layout.source;
    std::string header =
        "POINT_ID," + positionHeader(cors96, true) + "," + positionHeader(cors96a, false) + ",s,AZIMUTH,DeltaH";
    static const char *const shiftNames[2][3] = {{",DeltaE", ",DeltaN", ""}, {",DeltaX", ",DeltaY", ",DeltaZ"}};
    const int shifts = gridShiftCount(layout);
    for (int k = 0; k < shifts; ++k)
        header += shiftNames[shifts == 3][k];
    return header + "\n";
}

void appendGridShiftLine(std::string &out, const PointRecord &record, const GridPoint &grid, const GridLayout &layout,
                         const OutputDecimals &decimals)
{
    const bool sourceIsCors96 = layout.direction == DatumDirection::Cors96ToCors96a;
    char numbers[kMaxNumberColumns * (kMaxFixedLength + 1) + 1];
    char *p = numbers;
    if (sourceIsCors96) {
        p = appendPosition(p, grid.source, layout.source.kind, decimals);
        p = appendPosition(p, grid.target, layout.target.kind, decimals);
    } else {
        p = appendPosition(p, grid.target, layout.target.kind, decimals);
        p = appendPosition(p, grid.source, layout.source.kind, decimals);
    }
    *p++ = ',';
    p = formatFixed(p, record.s, decimals.heights);
    *p++ = ',';
    p = formatFixed(p, record.azimuth, decimals.degrees);
    *p++ = ',';
    p = formatFixed(p, grid.deltaH, decimals.deltaH);
    const int shifts = gridShiftCount(layout);
    for (int k = 0; k < shifts; ++k) {
        *p++ = ',';
        p = formatFixed(p, grid.shift[k], decimals.deltaH);
    }
    *p++ = '\n';
    appendOutputId(out, record.id);
    out.append(numbers, size_t(p - numbers));
}

}  // namespace veltrane
