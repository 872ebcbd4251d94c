#include "engine/controlnetwork.h"

#include "engine/trianglegeometry.h"
#include "engine/pointshift.h"

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
    for (size_t k = 0; k < vertices.size(); ++k) {
        const PointRecord &vertex = vertices[k];
        const PointRecord *nearest = nullptr;
        double best = kVertexMatchTolerance;
        for (const PointRecord &candidate : control) {
            const double distance = planarDistance(vertex.x, vertex.y, candidate.x, candidate.y);
            if (distance < best) {
                best = distance;
                nearest = &candidate;
            }
        }
        if (nearest) {
            result.records[k] = *nearest;
        } else {
            result.records[k] = vertex;
            ++result.unmatchedVertices;
        }
    }
    return result;
}

}  // namespace veltrane
