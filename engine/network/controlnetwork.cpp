#include "engine/network/controlnetwork.h"

#include "engine/geometry/trianglegeometry.h"
#include "engine/network/pointshift.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <cmath>

namespace veltrane {

namespace {

bool isFinitePosition(const PointRecord &p)
{
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.h);
}

// Control points sorted into columns of longitude, by latitude within each
// column, so that a vertex looks only at the points of a small window around
// it instead of at every control point.
class NearbyControlIndex {
public:
    static constexpr size_t kNone = SIZE_MAX;

    explicit NearbyControlIndex(const std::vector<PointRecord> &control) : control_(control)
    {
        entries_.reserve(control.size());
        for (size_t k = 0; k < control.size(); ++k) {
            const PointRecord &c = control[k];
            // A distance to a point that is not finite is never below the tolerance.
            if (std::isfinite(c.x) && std::isfinite(c.y))
                entries_.push_back(Entry{columnOf(c.x), c.y, k});
        }
        std::sort(entries_.begin(), entries_.end(), before);
    }

    // The control point with the smallest planar distance to (x, y) below
    // kVertexMatchTolerance, the first in control order of equal distances;
    // kNone when there is none. The same answer as trying every point in
    // order and keeping one only when it is strictly nearer.
    size_t nearest(double x, double y) const
    {
        if (!std::isfinite(x) || !std::isfinite(y))
            return kNone;
        // Every point closer than the tolerance lies within the window: a
        // margin of twice the tolerance covers the rounding of the distance.
        const double columnLast = columnOf(x + kWindowMargin);
        const double yFirst = y - kWindowMargin;
        const double yLast = y + kWindowMargin;
        size_t best = kNone;
        double bestDistance = kVertexMatchTolerance;
        auto at =
            std::lower_bound(entries_.begin(), entries_.end(), Entry{columnOf(x - kWindowMargin), yFirst, 0}, before);
        while (at != entries_.end() && at->column <= columnLast) {
            if (at->y < yFirst) {  // a new column: skip to its first point at yFirst or above
                at = std::lower_bound(at, entries_.end(), Entry{at->column, yFirst, 0}, before);
                continue;
            }
            const double column = at->column;
            for (; at != entries_.end() && at->column == column && at->y <= yLast; ++at) {
                const PointRecord &c = control_[at->index];
                const double distance = planarDistance(x, y, c.x, c.y);
                if (distance < bestDistance || (best != kNone && distance == bestDistance && at->index < best)) {
                    bestDistance = distance;
                    best = at->index;
                }
            }
            at = std::upper_bound(at, entries_.end(), column,
                                  [](double value, const Entry &e) { return value < e.column; });
        }
        return best;
    }

private:
    struct Entry {
        double column;  // columnOf(x)
        double y;
        size_t index;  // into control_
    };

    // Column width and window margin, degrees.
    static constexpr double kColumnWidth = 2.0 * kVertexMatchTolerance;
    static constexpr double kWindowMargin = 2.0 * kVertexMatchTolerance;

    // Monotone in x, so points between two longitudes fall in the columns between theirs.
    static double columnOf(double x) { return std::floor(x / kColumnWidth); }
    static bool before(const Entry &a, const Entry &b)
    {
        return a.column < b.column || (a.column == b.column && a.y < b.y);
    }

    const std::vector<PointRecord> &control_;
    std::vector<Entry> entries_;  // by column, then y
};

}  // namespace

ControlPairing pairControlPoints(const std::vector<PointRecord> &source, const std::vector<PointRecord> &target)
{
    // First occurrence of each target identifier: later duplicates are never used.
    ControlPairing result;
    QHash<QString, size_t> firstTarget;
    QSet<QString> reported;
    firstTarget.reserve(static_cast<int>(target.size()));
    for (size_t k = 0; k < target.size(); ++k) {
        if (!firstTarget.contains(target[k].id))
            firstTarget.insert(target[k].id, k);
        else if (!reported.contains(target[k].id)) {
            reported.insert(target[k].id);
            result.duplicateTargetIds.append(target[k].id);
        }
    }

    QSet<QString> seenSource;
    reported.clear();
    seenSource.reserve(static_cast<int>(source.size()));
    result.paired.reserve(source.size());
    for (const PointRecord &from : source) {
        if (seenSource.contains(from.id)) {
            if (!reported.contains(from.id)) {
                reported.insert(from.id);
                result.duplicateSourceIds.append(from.id);
            }
            continue;
        }
        seenSource.insert(from.id);
        const auto found = firstTarget.constFind(from.id);
        if (found == firstTarget.constEnd()) {
            result.unpairedIds.append(from.id);
            continue;
        }
        const PointRecord &to = target[found.value()];
        if (!isFinitePosition(from) || !isFinitePosition(to)) {
            result.nonFiniteIds.append(from.id);
            continue;
        }
        PointRecord record;
        record.x = from.x;
        record.y = from.y;
        record.h = from.h;
        record.xTo = to.x;
        record.yTo = to.y;
        record.hTo = to.h;
        record.dx = record.xTo - record.x;
        record.dy = record.yTo - record.y;
        record.dh = record.hTo - record.h;
        record.id = from.id;
        measureShift(record);
        result.paired.push_back(record);
    }
    return result;
}

TinVertexMatch matchTinVertices(const std::vector<PointRecord> &vertices, const std::vector<PointRecord> &control)
{
    TinVertexMatch result;
    result.records.resize(std::max(vertices.size(), control.size()));
    const NearbyControlIndex index(control);
    for (size_t k = 0; k < vertices.size(); ++k) {
        const PointRecord &vertex = vertices[k];
        const size_t nearest = index.nearest(vertex.x, vertex.y);
        if (nearest != NearbyControlIndex::kNone) {
            result.records[k] = control[nearest];
        } else {
            result.records[k] = vertex;
            ++result.unmatchedVertices;
        }
    }
    return result;
}

}  // namespace veltrane
