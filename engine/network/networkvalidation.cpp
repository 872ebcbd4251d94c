#include "engine/network/networkvalidation.h"

#include "engine/base/parallel.h"
#include "engine/geometry/celllists.h"
#include "engine/geometry/delaunay.h"
#include "engine/geodesy/geodesic.h"
#include "engine/geometry/networkoutline.h"
#include "engine/geometry/planegeometry.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace veltrane {

namespace {

// Control points checked by one thread at a time.
constexpr size_t kPointsPerRange = 512;

// Triangles around each vertex: the cell of vertex v lists the valid
// triangles having v as a corner, ascending.
using VertexStars = CellLists<uint32_t>;

VertexStars buildStars(size_t pointCount, const std::vector<Triangle> &triangles)
{
    return buildCellLists<uint32_t>(pointCount, triangles.size(), [&](size_t k, auto visit) {
        const Triangle &t = triangles[k];
        if (!triangleIndicesValid(t, int64_t(pointCount)))
            return;
        for (const int32_t v : {t.p1, t.p2, t.p3})
            visit(size_t(v));
    });
}

struct LinkEdge {
    int32_t a;
    int32_t b;
};

// Working room of one thread, reused from point to point.
struct StarScratch {
    std::vector<LinkEdge> edges;
    std::vector<bool> used;
    std::vector<std::pair<int32_t, uint32_t>> ends;  // (vertex, edge) for both ends of every edge, sorted
    std::vector<int32_t> endVertex;                  // the distinct vertices of `ends`, ascending
    std::vector<uint32_t> firstEnd;                  // per distinct vertex: its first entry, then the end
    std::vector<uint32_t> nextEnd;                   // per distinct vertex: its first entry not yet known used
    std::vector<bool> inRing;                        // per distinct vertex
    std::vector<int32_t> ring;                       // control indices of the star polygon, counter-clockwise
    std::vector<PlanePoint> polygon;                 // their positions
    std::vector<uint32_t> byX;                       // ring positions in ascending x
    std::vector<PointRecord> sorted;                 // the neighbours in that order, for the triangulation
    std::vector<uint32_t> remaining;                 // ear clipping
};

// The neighbours of vertex v in order around it, counter-clockwise. False
// when v's triangles do not close one fan around it.
bool starPolygon(int32_t v, const PointRecord *control, const std::vector<Triangle> &triangles,
                 const VertexStars &stars, StarScratch &s)
{
    s.edges.clear();
    for (uint32_t k = stars.start[size_t(v)]; k < stars.start[size_t(v) + 1]; ++k) {
        const Triangle &t = triangles[stars.items[k]];
        if ((t.p1 == v) + (t.p2 == v) + (t.p3 == v) != 1)
            return false;
        if (t.p1 == v)
            s.edges.push_back({t.p2, t.p3});
        else if (t.p2 == v)
            s.edges.push_back({t.p3, t.p1});
        else
            s.edges.push_back({t.p1, t.p2});
    }
    const size_t k = s.edges.size();
    if (k < 3)
        return false;
    // The edges touching each neighbour, by ascending edge number, so that
    // each step of the walk finds the first unused one without a scan.
    s.ends.clear();
    for (uint32_t e = 0; e < k; ++e) {
        s.ends.emplace_back(s.edges[e].a, e);
        if (s.edges[e].b != s.edges[e].a)
            s.ends.emplace_back(s.edges[e].b, e);
    }
    std::sort(s.ends.begin(), s.ends.end());
    s.endVertex.clear();
    s.firstEnd.clear();
    for (uint32_t i = 0; i < s.ends.size(); ++i) {
        if (i == 0 || s.ends[i].first != s.ends[i - 1].first) {
            s.endVertex.push_back(s.ends[i].first);
            s.firstEnd.push_back(i);
        }
    }
    const size_t vertices = s.endVertex.size();
    s.nextEnd = s.firstEnd;
    s.firstEnd.push_back(uint32_t(s.ends.size()));
    s.inRing.assign(vertices, false);
    const auto vertexSlot = [&s](int32_t vertex) {
        return size_t(std::lower_bound(s.endVertex.begin(), s.endVertex.end(), vertex) - s.endVertex.begin());
    };

    s.used.assign(k, false);
    s.ring.assign({s.edges[0].a, s.edges[0].b});
    s.used[0] = true;
    s.inRing[vertexSlot(s.edges[0].a)] = true;
    size_t lastSlot = vertexSlot(s.edges[0].b);
    s.inRing[lastSlot] = true;
    for (size_t step = 1; step < k; ++step) {
        const int32_t last = s.ring.back();
        uint32_t &cursor = s.nextEnd[lastSlot];
        while (cursor < s.firstEnd[lastSlot + 1] && s.used[s.ends[cursor].second])
            ++cursor;
        if (cursor == s.firstEnd[lastSlot + 1])
            return false;
        const size_t next = s.ends[cursor].second;
        s.used[next] = true;
        const int32_t other = s.edges[next].a == last ? s.edges[next].b : s.edges[next].a;
        if (step + 1 == k) {
            if (other != s.ring.front())
                return false;
        } else {
            lastSlot = vertexSlot(other);
            if (s.inRing[lastSlot])
                return false;
            s.inRing[lastSlot] = true;
            s.ring.push_back(other);
        }
    }
    s.polygon.resize(k);
    double area = 0.0;
    for (size_t i = 0; i < k; ++i)
        s.polygon[i] = planeOf(control[s.ring[i]]);
    for (size_t i = 0; i < k; ++i) {
        const PlanePoint &a = s.polygon[i];
        const PlanePoint &b = s.polygon[(i + 1) % k];
        area += a.x * b.y - b.x * a.y;
    }
    if (!(area != 0.0))
        return false;
    if (area < 0.0) {
        std::reverse(s.ring.begin(), s.ring.end());
        std::reverse(s.polygon.begin(), s.polygon.end());
    }
    return true;
}

bool properlyCross(const PlanePoint &a, const PlanePoint &b, const PlanePoint &c, const PlanePoint &d)
{
    const double abc = orientation(a, b, c), abd = orientation(a, b, d);
    const double cda = orientation(c, d, a), cdb = orientation(c, d, b);
    return ((abc > 0 && abd < 0) || (abc < 0 && abd > 0)) && ((cda > 0 && cdb < 0) || (cda < 0 && cdb > 0));
}

bool onOpenSegment(const PlanePoint &a, const PlanePoint &b, const PlanePoint &q)
{
    if (orientation(a, b, q) != 0.0)
        return false;
    const double along = (q.x - a.x) * (b.x - a.x) + (q.y - a.y) * (b.y - a.y);
    const double length = (b.x - a.x) * (b.x - a.x) + (b.y - a.y) * (b.y - a.y);
    return along > 0.0 && along < length;
}

bool insidePolygon(const std::vector<PlanePoint> &polygon, const PlanePoint &q)
{
    bool inside = false;
    for (size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const PlanePoint &a = polygon[i], &b = polygon[j];
        if ((a.y > q.y) != (b.y > q.y) && q.x < (b.x - a.x) * (q.y - a.y) / (b.y - a.y) + a.x)
            inside = !inside;
    }
    return inside;
}

// True when the segment between ring positions i and j runs inside the
// polygon: a side of it, or a diagonal that meets no side and no other corner.
bool chordInside(const std::vector<PlanePoint> &polygon, size_t i, size_t j)
{
    const size_t k = polygon.size();
    if ((i + 1) % k == j || (j + 1) % k == i)
        return true;
    const PlanePoint &a = polygon[i], &b = polygon[j];
    for (size_t e = 0; e < k; ++e) {
        const size_t f = (e + 1) % k;
        if (e != i && e != j && onOpenSegment(a, b, polygon[e]))
            return false;
        if (e == i || e == j || f == i || f == j)
            continue;
        if (properlyCross(a, b, polygon[e], polygon[f]))
            return false;
    }
    return insidePolygon(polygon, PlanePoint{(a.x + b.x) * 0.5, (a.y + b.y) * 0.5});
}

// Barycentric weights of q in the triangle of ring positions (i, j, l); false
// when the triangle is flat or does not hold q (its sides count as inside).
bool holds(const std::vector<PlanePoint> &polygon, size_t i, size_t j, size_t l, const PlanePoint &q, double weight[3])
{
    BarycentricWeights w;
    if (!barycentricWeights(polygon[i], polygon[j], polygon[l], q, w))
        return false;
    if (w.w[0] < 0.0 || w.w[1] < 0.0 || w.w[2] < 0.0)
        return false;
    weight[0] = w.w[0];
    weight[1] = w.w[1];
    weight[2] = w.w[2];
    return true;
}

// The Delaunay triangle of the neighbours that lies in the star polygon and
// holds q: its ring positions and q's weights in it.
bool delaunayTriangleHolding(const PlanePoint &q, StarScratch &s, size_t corner[3], double weight[3])
{
    const size_t k = s.ring.size();
    s.byX.resize(k);
    std::iota(s.byX.begin(), s.byX.end(), 0u);
    std::stable_sort(s.byX.begin(), s.byX.end(),
                     [&](uint32_t a, uint32_t b) { return s.polygon[a].x < s.polygon[b].x; });
    s.sorted.resize(k);
    for (size_t i = 0; i < k; ++i) {
        s.sorted[i].x = s.polygon[s.byX[i]].x;
        s.sorted[i].y = s.polygon[s.byX[i]].y;
    }
    for (const Triangle &t : buildDelaunayTin(uint32_t(k), s.sorted.data())) {
        const size_t i = s.byX[size_t(t.p1)], j = s.byX[size_t(t.p2)], l = s.byX[size_t(t.p3)];
        if (!holds(s.polygon, i, j, l, q, weight))
            continue;
        if (!chordInside(s.polygon, i, j) || !chordInside(s.polygon, j, l) || !chordInside(s.polygon, l, i))
            continue;
        corner[0] = i;
        corner[1] = j;
        corner[2] = l;
        return true;
    }
    return false;
}

// For a star whose neighbours the Delaunay triangulation does not cover
// (degenerate or nearly collinear neighbours): the triangle holding q among
// those of ear clipping the counter-clockwise star polygon.
bool earTriangleHolding(const PlanePoint &q, StarScratch &s, size_t corner[3], double weight[3])
{
    s.remaining.resize(s.ring.size());
    std::iota(s.remaining.begin(), s.remaining.end(), 0u);
    while (s.remaining.size() >= 3) {
        const size_t n = s.remaining.size();
        bool clipped = false;
        for (size_t e = 0; e < n && !clipped; ++e) {
            const size_t i = s.remaining[(e + n - 1) % n], j = s.remaining[e], l = s.remaining[(e + 1) % n];
            const PlanePoint &a = s.polygon[i], &b = s.polygon[j], &c = s.polygon[l];
            if (!(orientation(a, b, c) > 0.0))
                continue;
            bool empty = true;
            for (const uint32_t other : s.remaining) {
                if (other == i || other == j || other == l)
                    continue;
                const PlanePoint &p = s.polygon[other];
                if (orientation(a, b, p) >= 0.0 && orientation(b, c, p) >= 0.0 && orientation(c, a, p) >= 0.0)
                    empty = false;
            }
            if (!empty)
                continue;
            if (holds(s.polygon, i, j, l, q, weight)) {
                corner[0] = i;
                corner[1] = j;
                corner[2] = l;
                return true;
            }
            s.remaining.erase(s.remaining.begin() + std::ptrdiff_t(e));
            clipped = true;
        }
        if (!clipped)
            return false;
    }
    return false;
}

double interpolate(const PointRecord *control, const std::vector<int32_t> &ring, const size_t corner[3],
                   const double weight[3], double PointRecord::*component)
{
    return weight[0] * (control[ring[corner[0]]].*component) + weight[1] * (control[ring[corner[1]]].*component) +
           weight[2] * (control[ring[corner[2]]].*component);
}

ControlResidual leaveOneOut(int32_t v, const PointRecord *control, const std::vector<Triangle> &triangles,
                            const VertexStars &stars, StarScratch &s)
{
    ControlResidual irregular;
    irregular.state = ResidualState::Irregular;
    if (!starPolygon(v, control, triangles, stars, s))
        return irregular;
    const PointRecord &p = control[v];
    const PlanePoint q{p.x, p.y};
    size_t corner[3];
    double weight[3];
    if (!delaunayTriangleHolding(q, s, corner, weight) && !earTriangleHolding(q, s, corner, weight))
        return irregular;
    const double dx = interpolate(control, s.ring, corner, weight, &PointRecord::dx);
    const double dy = interpolate(control, s.ring, corner, weight, &PointRecord::dy);
    const double dh = interpolate(control, s.ring, corner, weight, &PointRecord::dh);
    return residualInMetres(dx - p.dx, dy - p.dy, dh - p.dh, p.y);
}

}  // namespace

ControlResidual residualInMetres(double dLongitude, double dLatitude, double dHeight, double latitude)
{
    ControlResidual r;
    r.state = ResidualState::Validated;
    r.east = dLongitude * kRadiansPerDegree * primeVerticalRadius(latitude) * std::cos(latitude * kRadiansPerDegree);
    r.north = dLatitude * kRadiansPerDegree * meridianRadius(latitude);
    r.up = dHeight;
    r.horizontal = std::hypot(r.east, r.north);
    return r;
}

std::vector<bool> boundaryVertices(const std::vector<PointRecord> &control, const std::vector<Triangle> &triangles)
{
    return outlineVertices(control.size(), networkOutline(control.data(), control.size(), triangles));
}

ValidationSummary summarizeResiduals(const std::vector<ControlResidual> &residuals)
{
    ValidationSummary summary;
    summary.controlPoints = uint32_t(residuals.size());
    double sumHorizontal = 0.0, sumVertical = 0.0;
    for (size_t i = 0; i < residuals.size(); ++i) {
        const ControlResidual &r = residuals[i];
        if (r.state == ResidualState::Boundary)
            ++summary.boundary;
        if (r.state == ResidualState::Irregular)
            ++summary.irregular;
        if (r.state != ResidualState::Validated)
            continue;
        ++summary.validated;
        sumHorizontal += r.horizontal * r.horizontal;
        sumVertical += r.up * r.up;
        if (summary.worstPoint < 0 || r.horizontal > summary.maxHorizontal) {
            summary.maxHorizontal = r.horizontal;
            summary.worstPoint = int32_t(i);
        }
        summary.maxVertical = std::max(summary.maxVertical, std::fabs(r.up));
    }
    if (summary.validated > 0) {
        summary.rmsHorizontal = std::sqrt(sumHorizontal / summary.validated);
        summary.rmsVertical = std::sqrt(sumVertical / summary.validated);
    }
    return summary;
}

NetworkValidation validateNetwork(const std::vector<PointRecord> &control, const std::vector<Triangle> &triangles)
{
    NetworkValidation result;
    result.residuals.resize(control.size());
    const std::vector<bool> boundary = boundaryVertices(control, triangles);
    const VertexStars stars = buildStars(control.size(), triangles);
    forEachRange(control.size(), kPointsPerRange, [&](size_t first, size_t last) {
        StarScratch scratch;
        for (size_t v = first; v < last; ++v) {
            ControlResidual &r = result.residuals[v];
            if (stars.start[v] == stars.start[v + 1])
                r.state = ResidualState::Unused;
            else if (boundary[v])
                r.state = ResidualState::Boundary;
            else
                r = leaveOneOut(int32_t(v), control.data(), triangles, stars, scratch);
        }
    });
    result.summary = summarizeResiduals(result.residuals);
    return result;
}

QString validationSummaryLine(const ValidationSummary &summary, const std::vector<PointRecord> &control)
{
    QString line = QStringLiteral("Network check: %1 of %2 control points validated")
                       .arg(summary.validated)
                       .arg(summary.controlPoints);
    if (summary.worstPoint < 0)
        return line + QStringLiteral(" (none lies inside the network).");
    // One pass over the pattern, so that an identifier holding "%1" stays as it is.
    const auto metres = [](double value) { return QString::number(value, 'f', 6); };
    return line + QStringLiteral("; horizontal residual RMS %1 m, maximum %2 m at %3; height residual RMS %4 m, "
                                 "maximum %5 m.")
                      .arg(metres(summary.rmsHorizontal), metres(summary.maxHorizontal),
                           control[size_t(summary.worstPoint)].id, metres(summary.rmsVertical),
                           metres(summary.maxVertical));
}

}  // namespace veltrane
