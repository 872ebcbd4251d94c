#include "engine/formats/pointlayout.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace veltrane {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// What a column needs for a point: a longitude, a latitude and an identifier.
bool givesPoint(const std::vector<ColumnRole> &columns)
{
    for (const ColumnRole role : {ColumnRole::Longitude, ColumnRole::Latitude, ColumnRole::Id}) {
        if (std::find(columns.begin(), columns.end(), role) == columns.end())
            return false;
    }
    return true;
}

}  // namespace

bool parseColumnList(const std::string &text, std::vector<ColumnRole> &columns, std::string &error)
{
    static const std::map<std::string, ColumnRole> roles = {{"x", ColumnRole::Longitude},
                                                            {"y", ColumnRole::Latitude},
                                                            {"h", ColumnRole::Height},
                                                            {"id", ColumnRole::Id},
                                                            {"_", ColumnRole::Ignore}};
    columns.clear();
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = std::min(text.find(',', start), text.size());
        const auto role = roles.find(text.substr(start, comma - start));
        if (role == roles.end()) {
            error = "--columns takes a list of x, y, h, id and _ separated by commas";
            return false;
        }
        if (role->second != ColumnRole::Ignore &&
            std::find(columns.begin(), columns.end(), role->second) != columns.end()) {
            error = "--columns names " + role->first + " twice";
            return false;
        }
        columns.push_back(role->second);
        start = comma + 1;
    }
    if (!givesPoint(columns)) {
        error = "--columns needs x, y and id";
        return false;
    }
    return true;
}

ColumnRole roleOfName(const QString &name)
{
    static const std::map<QString, ColumnRole> roles = {
        {QStringLiteral("lon"), ColumnRole::Longitude},
        {QStringLiteral("long"), ColumnRole::Longitude},
        {QStringLiteral("longitude"), ColumnRole::Longitude},
        {QStringLiteral("x"), ColumnRole::Longitude},
        {QStringLiteral("lat"), ColumnRole::Latitude},
        {QStringLiteral("latitude"), ColumnRole::Latitude},
        {QStringLiteral("y"), ColumnRole::Latitude},
        {QStringLiteral("h"), ColumnRole::Height},
        {QStringLiteral("height"), ColumnRole::Height},
        {QStringLiteral("z"), ColumnRole::Height},
        {QStringLiteral("elev"), ColumnRole::Height},
        {QStringLiteral("elevation"), ColumnRole::Height},
        {QStringLiteral("ellipsoid_height"), ColumnRole::Height},
        {QStringLiteral("id"), ColumnRole::Id},
        {QStringLiteral("name"), ColumnRole::Id},
        {QStringLiteral("point"), ColumnRole::Id},
        {QStringLiteral("pt"), ColumnRole::Id},
        {QStringLiteral("point_id"), ColumnRole::Id},
    };
    const auto role = roles.find(name.trimmed().toLower());
    return role == roles.end() ? ColumnRole::Ignore : role->second;
}

bool splitFields(const char *begin, const char *end, char delimiter, std::string &scratch,
                 std::vector<std::pair<size_t, size_t>> &fields)
{
    scratch.clear();
    fields.clear();
    const bool blanks = delimiter == kBlankDelimiter;
    const char *p = begin;
    if (blanks) {
        while (p != end && isBlank(*p))
            ++p;
        if (p == end)
            return true;
    }
    for (;;) {
        while (!blanks && p != end && isBlank(*p))
            ++p;
        const size_t start = scratch.size();
        size_t kept = start;  // quoted text keeps its blanks
        if (p != end && *p == '"') {
            for (++p;; ++p) {
                if (p == end)
                    return false;
                if (*p == '"') {
                    if (p + 1 == end || p[1] != '"')
                        break;
                    ++p;  // a doubled quote stands for one
                }
                scratch.push_back(*p);
            }
            ++p;  // the closing quote; what follows up to the delimiter is kept
            kept = scratch.size();
        }
        const char *stop = p;
        while (stop != end && *stop != delimiter && !(blanks && isBlank(*stop)))
            ++stop;
        scratch.append(p, stop);
        size_t fieldEnd = scratch.size();
        while (!blanks && fieldEnd > kept && isBlank(scratch[fieldEnd - 1]))
            --fieldEnd;
        fields.emplace_back(start, fieldEnd);
        p = stop;
        if (blanks) {
            while (p != end && isBlank(*p))
                ++p;
        } else if (p != end) {
            ++p;
            if (p == end)
                fields.emplace_back(scratch.size(), scratch.size());
        }
        if (p == end)
            return true;
    }
}

char guessDelimiter(const char *begin, const char *end, bool decimalComma)
{
    const auto has = [begin, end](char c) { return std::memchr(begin, c, size_t(end - begin)) != nullptr; };
    if (has('\t'))
        return '\t';
    if (has(';'))
        return ';';
    if (has(',') && !decimalComma)
        return ',';
    return decimalComma && !has(' ') ? ';' : kBlankDelimiter;
}

bool resolveLayout(const PointLayout &layout, const char *begin, const char *end, uint64_t line,
                   ResolvedLayout &resolved, QString &error)
{
    resolved = ResolvedLayout();
    if (layout.isFixed())
        return true;
    resolved.delimiter = layout.delimiter ? layout.delimiter : guessDelimiter(begin, end, layout.decimalComma);
    resolved.decimalComma = layout.decimalComma;
    resolved.angles = layout.angles;
    resolved.columns = layout.columns;
    std::string scratch;
    std::vector<std::pair<size_t, size_t>> fields;
    if (layout.header || layout.headerIfNamed) {
        std::vector<ColumnRole> named;
        if (begin != end && splitFields(begin, end, resolved.delimiter, scratch, fields)) {
            for (const auto &[from, to] : fields) {
                const ColumnRole role = roleOfName(QString::fromLatin1(scratch.data() + from, int(to - from)));
                // A role named twice is taken from its first column.
                const bool taken = std::find(named.begin(), named.end(), role) != named.end();
                named.push_back(taken ? ColumnRole::Ignore : role);
            }
        }
        if (!givesPoint(named)) {
            if (layout.headerIfNamed)
                return true;  // no header: the fixed layout
            error = QStringLiteral("The header on line %1 names no longitude, latitude or identifier column "
                                   "(lon, lat, id and the like)")
                        .arg(qulonglong(line));
            return false;
        }
        resolved.columns = named;
        resolved.headerLine = line;
        // A header over the fixed layout's own columns, with nothing else
        // asked, leaves the file to the fixed reader: the file reads as it
        // always did, its mixed separators included, less the header line.
        const std::vector<ColumnRole> fixedColumns = {ColumnRole::Longitude, ColumnRole::Latitude, ColumnRole::Height,
                                                      ColumnRole::Id};
        if (named == fixedColumns && layout.delimiter == 0 && !layout.decimalComma &&
            layout.angles == AngleStyle::Decimal)
            return true;
        if (layout.headerIfNamed)
            resolved.angles = AngleStyle::Dms;
    }
    if (resolved.columns.empty())
        resolved.columns = {ColumnRole::Longitude, ColumnRole::Latitude, ColumnRole::Height, ColumnRole::Id};
    resolved.hasHeight =
        std::find(resolved.columns.begin(), resolved.columns.end(), ColumnRole::Height) != resolved.columns.end();
    resolved.fixed = false;
    for (size_t i = 0; i < resolved.columns.size(); ++i) {
        if (resolved.columns[i] != ColumnRole::Ignore)
            continue;
        resolved.passColumns.push_back(uint32_t(i));
        resolved.passNames.push_back(resolved.headerLine > 0 && i < fields.size()
                                         ? scratch.substr(fields[i].first, fields[i].second - fields[i].first)
                                         : "field_" + std::to_string(i + 1));
    }
    return true;
}

}  // namespace veltrane
