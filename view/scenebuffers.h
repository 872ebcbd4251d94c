#pragma once
// A view's data in OpenGL buffer objects: built once per data set, rebuilt
// when the data, the vector multiplier or the vertical scale change, and
// drawn with one call per layer. Buffers belong to one OpenGL context; a
// frame in another context builds them again.

#include "view/scenearrays.h"

#include <QOpenGLBuffer>
#include <functional>

class QOpenGLContext;

namespace veltrane {

// A large array is drawn in batches of this many vertices (even, so that no
// point's two positions and no line's two ends are parted; a multiple of
// three, so that no triangle is), and each batch is finished before the
// next is handed over. A software renderer sorts everything submitted into
// screen tiles before its threads draw them: a million points and their
// vectors in one call held some hundreds of megabytes of that work at once.
// Splitting a draw changes no pixel; the order of the primitives stays.
constexpr uint32_t kDrawBatchVertices = 3u << 15;
// A full frame drawn over turns of the event loop uses batches a quarter of
// that size: a turn, and so the wait of any input, is at most one of them.
constexpr uint32_t kTurnBatchVertices = kDrawBatchVertices / 4;
static_assert(kTurnBatchVertices % 6 == 0, "a batch parts no point, line or triangle");

// One draw call of at most kDrawBatchVertices vertices, with the array set-up
// it needs; a frame's data layers are a list of them, run in order. What a
// batch reads must stay as it is until the batch has run.
using DrawBatch = std::function<void()>;
using DrawBatches = std::vector<DrawBatch>;

// Runs the batches in order, each finished before the next.
void runBatches(const DrawBatches &batches);

// One array of vertices, in a buffer object of the current context, or in
// client memory when the context offers no buffer objects.
class VertexBuffer {
public:
    // Writes vertices [first, first + count) to `out`.
    using Filler = std::function<void(uint32_t first, uint32_t count, Vertex3f *out)>;

    // Needs the owning context current.
    void upload(const std::vector<Vertex3f> &vertices);
    // Builds `count` vertices straight into the buffer object, a block at a
    // time: the only whole copy is the one OpenGL keeps.
    void upload(uint32_t count, const Filler &fill);
    void clear();
    uint32_t vertexCount() const { return m_count; }

    // Draws of vertices [first, first + count) / of the indexed ones, as
    // batches appended to `out`, to be run in this object's context.
    void arrayBatches(unsigned mode, uint32_t first, uint32_t count, DrawBatches &out,
                      uint32_t batchVertices = kDrawBatchVertices);
    void elementBatches(unsigned mode, const std::vector<uint32_t> &indices, DrawBatches &out,
                        uint32_t batchVertices = kDrawBatchVertices);
    // Bytes of vertices this object holds in the application's own memory.
    std::size_t clientBytes() const { return m_clientCopy.capacity() * sizeof(Vertex3f); }

private:
    // Sets the vertex pointer and enables the array; returns false when
    // there is nothing to draw.
    bool begin();
    void end();

    QOpenGLBuffer m_buffer{QOpenGLBuffer::VertexBuffer};
    std::vector<Vertex3f> m_clientCopy;  // only when buffers are unavailable
    uint32_t m_count = 0;
};

// Points and shift vectors of one data set.
class DataSetBuffers {
public:
    // Makes the arrays match the records; builds only what changed.
    void prepare(const PointRecord *pts, uint32_t count, double scaleZ, int32_t vectorMult);
    // Batches appended to `out` that draw both positions of every stride-th
    // record (records 0, stride, 2 stride, ...; a stride of 1 draws them
    // all), or with `cull` of those whose source position is inside it (the
    // culling is done here); returns the number of records they draw.
    // Batches stay valid until the next prepare, pointBatches or clear.
    uint32_t pointBatches(const FrustumPlanes *cull, uint32_t stride, DrawBatches &out,
                          uint32_t batchVertices = kDrawBatchVertices);
    // The shift vectors of the same records.
    void vectorBatches(uint32_t stride, DrawBatches &out, uint32_t batchVertices = kDrawBatchVertices);
    void clear();
    uint32_t recordCount() const { return m_source.count; }
    // Bytes this object keeps in the application's memory besides OpenGL's
    // own copies of the arrays.
    std::size_t clientBytes() const;

private:
    struct Source {
        const PointRecord *pts = nullptr;
        uint32_t count = 0;
        double scaleZ = 0.0;
        bool operator==(const Source &o) const { return pts == o.pts && count == o.count && scaleZ == o.scaleZ; }
    };
    Source m_source;
    bool m_pointsBuilt = false;
    int32_t m_vectorMult = 0;
    bool m_vectorsBuilt = false;
    // Makes the subset's own arrays hold every stride-th record.
    void prepareSubset(uint32_t stride);

    VertexBuffer m_points;
    VertexBuffer m_vectors;
    std::vector<uint32_t> m_visible;  // this frame's culled vertex indices
    // The records a moving frame draws, in arrays of their own: a draw reads
    // only their vertices. Built at the first moving frame; 0 = none.
    VertexBuffer m_subsetPoints;
    VertexBuffer m_subsetVectors;
    uint32_t m_subsetStride = 0;
};

// The TIN as indexed triangles.
class TinBuffers {
public:
    void prepare(const PointRecord *pts, uint32_t nPts, const Triangle *tris, uint32_t nTris, double scaleZ);
    void batches(DrawBatches &out, uint32_t batchVertices = kDrawBatchVertices);
    void clear();

private:
    struct Source {
        const PointRecord *pts = nullptr;
        uint32_t nPts = 0;
        const Triangle *tris = nullptr;
        uint32_t nTris = 0;
        double scaleZ = 0.0;
        bool operator==(const Source &o) const
        {
            return pts == o.pts && nPts == o.nPts && tris == o.tris && nTris == o.nTris && scaleZ == o.scaleZ;
        }
    };
    Source m_source;
    bool m_built = false;
    VertexBuffer m_vertices;
    std::vector<uint32_t> m_indices;
};

// Everything a view draws from arrays, tied to the context it was built in.
class SceneBuffers {
public:
    // Drops what was built in another context (its buffers cannot be used
    // here); the next prepare builds them in `context`.
    void useContext(QOpenGLContext *context);
    void clear();

    DataSetBuffers ds1;
    DataSetBuffers ds2;
    TinBuffers tin;

private:
    QOpenGLContext *m_context = nullptr;
};

}  // namespace veltrane
