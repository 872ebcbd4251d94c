#pragma once
// Layouts of point files other than the fixed one (longitude, latitude,
// height, identifier): columns in any order given by role or named in a
// header line, a chosen separator, decimal commas, angles in degrees,
// minutes and seconds.

#include <QString>
#include <cstdint>
#include <string>
#include <vector>

namespace veltrane {

enum class ColumnRole : uint8_t {
    Ignore,     // "_", or a header name of no role
    Longitude,  // "x"
    Latitude,   // "y"
    Height,     // "h"
    Id,         // "id"
};

enum class AngleStyle : uint8_t {
    Decimal,  // decimal degrees only
    Dms,      // degrees, minutes and seconds, or decimal degrees
};

// The separator that is any run of blanks and tabs.
constexpr char kBlankDelimiter = ' ';

// How an input's lines are read, as the user asked for it.
struct PointLayout {
    std::vector<ColumnRole> columns;  // the roles in column order; empty: see below
    bool header = false;              // the roles from the names of the first non-comment line
    bool headerIfNamed = false;       // that line is a header only when its names give x, y and id
    char delimiter = 0;               // 0: found from the first line
    bool decimalComma = false;
    AngleStyle angles = AngleStyle::Decimal;

    // True for the fixed layout, read as it always was.
    bool isFixed() const
    {
        return columns.empty() && !header && !headerIfNamed && delimiter == 0 && !decimalComma &&
               angles == AngleStyle::Decimal;
    }
};

// A layout made definite by the input's first line.
struct ResolvedLayout {
    bool fixed = true;  // read as the fixed layout: the rest does not apply
    std::vector<ColumnRole> columns;
    char delimiter = ',';
    bool decimalComma = false;
    AngleStyle angles = AngleStyle::Decimal;
    bool hasHeight = true;
    uint64_t headerLine = 0;  // the line of the header, skipped; 0: none
    // Columns of no role (a description, a code), in order, handed on to
    // every output; named by the header, otherwise field_N (N from 1).
    std::vector<uint32_t> passColumns;
    std::vector<std::string> passNames;
};

// Reads a --columns list ("id,y,x,h,_"); false with `error` when it is not one.
bool parseColumnList(const std::string &text, std::vector<ColumnRole> &columns, std::string &error);

// The role a header name gives (any case): lon, long, longitude, x; lat,
// latitude, y; h, height, z, elev, elevation, ellipsoid_height; id, name,
// point, pt, point_id. Any other name is an ignored column.
ColumnRole roleOfName(const QString &name);

// The fields of one line or record as `delimiter` separates them: quoted
// fields (RFC 4180) unquoted, blanks around unquoted fields dropped; a
// blank delimiter takes any run of blanks and tabs. `text` excludes the
// line end. `scratch` holds the fields' text; `fields` gets their [begin,
// end) offsets into it. False when a quote is not closed.
bool splitFields(const char *begin, const char *end, char delimiter, std::string &scratch,
                 std::vector<std::pair<size_t, size_t>> &fields);

// The delimiter a line seems to use: a tab, a semicolon or a comma, in this
// order, else blanks. With decimal commas a comma is never taken.
char guessDelimiter(const char *begin, const char *end, bool decimalComma);

// Makes `layout` definite from the input's first non-comment, non-blank line
// [begin, end) (without its line end), found at `line`. False with `error`
// when the header names no longitude, latitude or identifier column.
bool resolveLayout(const PointLayout &layout, const char *begin, const char *end, uint64_t line,
                   ResolvedLayout &resolved, QString &error);

}  // namespace veltrane
