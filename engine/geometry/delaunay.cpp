#include "engine/geometry/delaunay.h"

#include "engine/geometry/trianglesides.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace veltrane {

namespace {

// Two y values closer than this (units of the coordinates) count as equal in
// the circumcircle construction.
constexpr double kCircleTolerance = 0.000001;
// Reach of the super-triangle, in units of the larger side of the bounding box.
constexpr double kSuperTriangleReach = 20.0;
constexpr double kHalf = 0.5;
// Edge buffer: first capacity and growth step, in edges.
constexpr size_t kEdgeCapacityStart = 200;
constexpr size_t kEdgeCapacityStep = 100;
// Marks a cancelled edge.
constexpr int32_t kCancelled = -1;
// Largest point count whose super-triangle indices still fit an int32_t.
constexpr uint32_t kMaxPoints = static_cast<uint32_t>(std::numeric_limits<int32_t>::max()) - 3;

// Circle through three points, measured from the second. False (and nothing
// written) when all three y values are within the tolerance.
bool circumcircle(double x1, double y1, double x2, double y2, double x3, double y3, double &xc, double &yc,
                  double &rsqr)
{
    const double fabsy1y2 = std::fabs(y1 - y2);
    const double fabsy2y3 = std::fabs(y2 - y3);
    if (fabsy1y2 < kCircleTolerance && fabsy2y3 < kCircleTolerance)
        return false;

    double centreX, centreY;
    if (fabsy1y2 < kCircleTolerance) {
        const double m2 = -(x3 - x2) / (y3 - y2);
        const double mx2 = (x2 + x3) * kHalf;
        const double my2 = (y2 + y3) * kHalf;
        centreX = (x1 + x2) * kHalf;
        centreY = m2 * (centreX - mx2) + my2;
    } else if (fabsy2y3 < kCircleTolerance) {
        const double m1 = -(x2 - x1) / (y2 - y1);
        const double mx1 = (x1 + x2) * kHalf;
        const double my1 = (y1 + y2) * kHalf;
        centreX = (x2 + x3) * kHalf;
        centreY = m1 * (centreX - mx1) + my1;
    } else {
        const double m1 = -(x2 - x1) / (y2 - y1);
        const double m2 = -(x3 - x2) / (y3 - y2);
        const double mx1 = (x1 + x2) * kHalf;
        const double mx2 = (x2 + x3) * kHalf;
        const double my1 = (y1 + y2) * kHalf;
        const double my2 = (y2 + y3) * kHalf;
        centreX = (m1 * mx1 - m2 * mx2 + my2 - my1) / (m1 - m2);
        centreY = m1 * (centreX - mx1) + my1;
    }
    const double dx = x2 - centreX;
    const double dy = y2 - centreY;
    xc = centreX;
    yc = centreY;
    rsqr = dx * dx + dy * dy;
    return true;
}

inline bool insideCircle(double xp, double yp, double xc, double yc, double rsqr)
{
    const double dx = xp - xc;
    const double dy = yp - yc;
    return dx * dx + dy * dy <= rsqr;
}

// Key of the point pair an edge joins, the same for both directions.
inline uint64_t edgeKey(const TinEdge &e)
{
    return undirectedSideKey(e.a, e.b);
}

// Pairs each live edge with the first later edge joining the same two points
// and cancels both. A cancelled edge matches nothing live, so once edge j has
// its partner the search for it stops. `keys` is scratch room for count keys.
void cancelEdgePairs(TinEdge *edges, uint64_t *keys, size_t count)
{
    const uint64_t cancelledKey = edgeKey(TinEdge{kCancelled, kCancelled});
    for (size_t k = 0; k < count; ++k)
        keys[k] = edgeKey(edges[k]);
    for (size_t j = 0; j + 1 < count; ++j) {
        const uint64_t key = keys[j];
        if (key == cancelledKey)
            continue;
        for (size_t k = j + 1; k < count; ++k) {
            if (keys[k] == key) {
                edges[j] = edges[k] = TinEdge{kCancelled, kCancelled};
                keys[j] = keys[k] = cancelledKey;
                break;
            }
        }
    }
}

// A triangle of the working table that can still be hit by a later point,
// with its circle computed once when it was made. Kept in ascending slot
// order, so that walking this list visits the table as a scan over every
// slot that skips the complete ones would.
struct OpenTriangle {
    double xc;
    double yc;
    double rsqr;
    double xRetire;  // xc + r: a point right of this can no longer reach the circle
    int32_t slot;    // position in the working table
};

// The triangulation's working storage; lives for one call.
class Triangulator {
public:
    Triangulator(uint32_t nv, const PointRecord *points) : m_nv(nv)
    {
        m_x.resize(size_t(nv) + 3);
        m_y.resize(size_t(nv) + 3);
        for (uint32_t i = 0; i < nv; ++i) {
            m_x[i] = points[i].x;
            m_y[i] = points[i].y;
        }
        // Room for the common case; the table grows beyond it when degenerate
        // input needs more.
        m_table.reserve(size_t(nv) * 3);
        m_edges.reserve(kEdgeCapacityStart);
    }

    std::vector<Triangle> run(const PointRecord *points)
    {
        placeSuperTriangle(points);
        appendTriangle(int32_t(m_nv), int32_t(m_nv) + 1, int32_t(m_nv) + 2);
        for (uint32_t i = 0; i < m_nv; ++i) {
            m_edges.clear();
            removeTrianglesAround(m_x[i], m_y[i]);
            m_keys.resize(m_edges.size());
            cancelEdgePairs(m_edges.data(), m_keys.data(), m_edges.size());
            for (const TinEdge &e : m_edges)
                if (e.a >= 0 && e.b >= 0)
                    appendTriangle(e.a, e.b, int32_t(i));
        }
        removeSuperTriangle();
        return std::move(m_table);
    }

private:
    void placeSuperTriangle(const PointRecord *points)
    {
        const SuperTriangle super = superTriangleFor(m_nv, points);
        for (int k = 0; k < 3; ++k) {
            m_x[m_nv + k] = super.x[k];
            m_y[m_nv + k] = super.y[k];
        }
    }

    void appendTriangle(int32_t a, int32_t b, int32_t c)
    {
        const int32_t slot = int32_t(m_table.size());
        m_table.push_back(Triangle{a, b, c});
        OpenTriangle open;
        // A triangle without a circle is never removed, so it need not be
        // tested again: it may as well count as complete.
        if (!circumcircle(m_x[a], m_y[a], m_x[b], m_y[b], m_x[c], m_y[c], open.xc, open.yc, open.rsqr))
            return;
        open.xRetire = open.xc + std::sqrt(open.rsqr);
        open.slot = slot;
        m_open.push_back(open);
    }

    // One scan of the table for the point (xp, yp): complete triangles are
    // skipped, triangles whose circle lies left of the point become complete,
    // and triangles whose circle holds the point give up their edges and are
    // replaced by the table's last triangle, which is then examined in turn.
    void removeTrianglesAround(double xp, double yp)
    {
        OpenTriangle *open = m_open.data();
        size_t keep = 0;
        size_t next = 0;
        size_t end = m_open.size();
        while (next < end) {
            const OpenTriangle &o = open[next];
            if (!insideCircle(xp, yp, o.xc, o.yc, o.rsqr)) {
                if (!(xp > o.xRetire)) {
                    if (keep != next)
                        open[keep] = o;
                    ++keep;
                }
                ++next;
                continue;
            }
            const int32_t slot = o.slot;
            collectEdges(m_table[size_t(slot)]);
            const int32_t last = int32_t(m_table.size()) - 1;
            if (slot != last) {
                m_table[size_t(slot)] = m_table[size_t(last)];
                // The last slot, when still open, is the last entry of the list.
                if (end - 1 > next && open[end - 1].slot == last) {
                    open[next] = open[end - 1];
                    open[next].slot = slot;
                    --end;
                    m_table.pop_back();
                    continue;  // examine the moved triangle in this slot
                }
            }
            m_table.pop_back();
            ++next;
        }
        m_open.resize(keep);
    }

    void collectEdges(const Triangle &t)
    {
        // Grows in fixed steps while there is no room for three more edges.
        if (m_edges.size() + 3 >= m_edges.capacity())
            m_edges.reserve(m_edges.capacity() + kEdgeCapacityStep);
        m_edges.push_back(TinEdge{t.p1, t.p2});
        m_edges.push_back(TinEdge{t.p2, t.p3});
        m_edges.push_back(TinEdge{t.p3, t.p1});
    }

    void removeSuperTriangle()
    {
        const int32_t first = int32_t(m_nv);
        size_t j = 0;
        while (j < m_table.size()) {
            const Triangle &t = m_table[j];
            if (t.p1 >= first || t.p2 >= first || t.p3 >= first) {
                m_table[j] = m_table.back();
                m_table.pop_back();
            } else {
                ++j;
            }
        }
    }

    uint32_t m_nv;
    std::vector<double> m_x;
    std::vector<double> m_y;
    std::vector<Triangle> m_table;
    std::vector<OpenTriangle> m_open;
    std::vector<TinEdge> m_edges;
    std::vector<uint64_t> m_keys;  // scratch for cancelEdgePairs
};

}  // namespace

int comparePointsByX(const void *a, const void *b)
{
    const double xa = static_cast<const PointRecord *>(a)->x;
    const double xb = static_cast<const PointRecord *>(b)->x;
    if (xa < xb)
        return -1;
    if (xa > xb)
        return 1;
    return 0;
}

void sortPointsByX(PointRecord *points, uint32_t count)
{
    // A record whose x is not a number compares equal to everything, which is
    // no ordering a sort can rely on. Such records go to the end, in their
    // order, where the triangulation passes over them; the rest are sorted.
    PointRecord *numbered =
        std::stable_partition(points, points + count, [](const PointRecord &p) { return !std::isnan(p.x); });
    std::stable_sort(points, numbered,
                     [](const PointRecord &p, const PointRecord &q) { return comparePointsByX(&p, &q) < 0; });
}

SuperTriangle superTriangleFor(uint32_t nv, const PointRecord *points)
{
    double xmin = points[0].x, xmax = points[0].x, ymin = points[0].y, ymax = points[0].y;
    for (uint32_t i = 1; i < nv; ++i) {
        const double x = points[i].x, y = points[i].y;
        if (x < xmin)
            xmin = x;
        if (x > xmax)
            xmax = x;
        if (y < ymin)
            ymin = y;
        if (y > ymax)
            ymax = y;
    }
    const double dx = xmax - xmin;
    const double dy = ymax - ymin;
    const double dmax = dx > dy ? dx : dy;
    const double xmid = (xmax + xmin) * kHalf;
    const double ymid = (ymax + ymin) * kHalf;
    return SuperTriangle{{xmid - kSuperTriangleReach * dmax, xmid, xmid + kSuperTriangleReach * dmax},
                         {ymid - dmax, ymid + kSuperTriangleReach * dmax, ymid - dmax}};
}

void cancelSharedEdges(TinEdge *edges, size_t count)
{
    std::vector<uint64_t> keys(count);
    cancelEdgePairs(edges, keys.data(), count);
}

bool circumcircleContains(double xp, double yp, double x1, double y1, double x2, double y2, double x3, double y3,
                          double &xc, double &yc, double &r)
{
    double rsqr;
    if (!circumcircle(x1, y1, x2, y2, x3, y3, xc, yc, rsqr))
        return false;
    r = std::sqrt(rsqr);
    return insideCircle(xp, yp, xc, yc, rsqr);
}

std::vector<Triangle> buildDelaunayTin(uint32_t nv, const PointRecord *points)
{
    if (nv == 0 || nv > kMaxPoints)
        return {};
    return Triangulator(nv, points).run(points);
}

void buildDelaunayTin(uint32_t nv, const PointRecord *points, uint32_t &ntri, Triangle *&triangles)
{
    const std::vector<Triangle> tin = buildDelaunayTin(nv, points);
    ntri = uint32_t(tin.size());
    triangles = nullptr;
    if (ntri == 0)
        return;
    triangles = new Triangle[ntri];
    std::copy(tin.begin(), tin.end(), triangles);
}

}  // namespace veltrane
