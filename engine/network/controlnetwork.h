#pragma once
// The control network: source and target control points paired by
// identifier, and the vertices of a TIN file matched to those pairs.

#include "engine/types/pointrecord.h"

#include <QStringList>
#include <cstdint>
#include <vector>

namespace veltrane {

// Largest planar distance, in degrees, at which a TIN vertex and a control
// point are taken to be the same point (exclusive).
constexpr double kVertexMatchTolerance = 0.00001;

struct ControlPairing {
    std::vector<PointRecord> paired;  // source order; shift, s and azimuth set
    QStringList unpairedIds;          // source identifiers without a target partner, source order
    QStringList duplicateSourceIds;   // identifiers met again in the source; later copies left out
    QStringList duplicateTargetIds;   // identifiers met again in the target; later copies never used
    QStringList nonFiniteIds;         // pairs with a coordinate that is infinite or not a number, left out
};

// Pairs every source point with the first target point of the same
// identifier (exact, case-sensitive). Source points without partner are
// left out of `paired` and listed in `unpairedIds`. A source identifier met
// again is left out too: its second position would take the first one's
// partner and give a false shift. So is a pair with a coordinate that is not
// a finite number, which would spoil the triangulation of all the others.
// Each identifier appears at most once in each list.
ControlPairing pairControlPoints(const std::vector<PointRecord> &source, const std::vector<PointRecord> &target);

struct TinVertexMatch {
    std::vector<PointRecord> records;  // the TIN vertices first, in file order, then unused new records
    uint32_t unmatchedVertices = 0;    // vertices with no control point within kVertexMatchTolerance
};

// Replaces each vertex by a whole copy of the nearest control record (first
// of equal distances) closer than kVertexMatchTolerance; an unmatched vertex
// keeps its file coordinates and zero shifts. The result holds
// max(vertices, control) records so that every vertex index stays valid.
TinVertexMatch matchTinVertices(const std::vector<PointRecord> &vertices, const std::vector<PointRecord> &control);

}  // namespace veltrane
