#include "view/scenebuffers.h"

#include <GL/gl.h>
#include <QOpenGLContext>

#include <algorithm>

namespace veltrane {

namespace {
// Vertices built per block on their way into a buffer object.
constexpr uint32_t kUploadBlockVertices = 1u << 16;

void waitForRenderer()
{
    glFinish();
}
}  // namespace

// ---- VertexBuffer ------------------------------------------------------------

void VertexBuffer::upload(const std::vector<Vertex3f> &vertices)
{
    clear();
    m_count = uint32_t(vertices.size());
    if (vertices.empty())
        return;
    if (m_buffer.create() && m_buffer.bind()) {
        m_buffer.setUsagePattern(QOpenGLBuffer::StaticDraw);
        m_buffer.allocate(vertices.data(), int(vertices.size() * sizeof(Vertex3f)));
        m_buffer.release();
    } else {
        m_buffer.destroy();
        m_clientCopy = vertices;
    }
}

void VertexBuffer::upload(uint32_t count, const Filler &fill)
{
    clear();
    m_count = count;
    if (count == 0)
        return;
    if (m_buffer.create() && m_buffer.bind()) {
        m_buffer.setUsagePattern(QOpenGLBuffer::StaticDraw);
        m_buffer.allocate(int(std::size_t(count) * sizeof(Vertex3f)));
        std::vector<Vertex3f> block(std::min(count, kUploadBlockVertices));
        for (uint32_t first = 0; first < count; first += uint32_t(block.size())) {
            const uint32_t n = std::min(count - first, uint32_t(block.size()));
            fill(first, n, block.data());
            m_buffer.write(int(std::size_t(first) * sizeof(Vertex3f)), block.data(), int(n * sizeof(Vertex3f)));
        }
        m_buffer.release();
    } else {
        m_buffer.destroy();
        m_clientCopy.resize(count);
        fill(0, count, m_clientCopy.data());
    }
}

void VertexBuffer::clear()
{
    m_buffer.destroy();
    m_clientCopy = std::vector<Vertex3f>();
    m_count = 0;
}

bool VertexBuffer::begin()
{
    if (m_count == 0)
        return false;
    const void *base = nullptr;  // offset 0 into the bound buffer
    if (m_buffer.isCreated())
        m_buffer.bind();
    else
        base = m_clientCopy.data();
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, base);
    return true;
}

void VertexBuffer::end()
{
    glDisableClientState(GL_VERTEX_ARRAY);
    if (m_buffer.isCreated())
        m_buffer.release();
}

void VertexBuffer::arrayBatches(unsigned mode, uint32_t first, uint32_t count, DrawBatches &out, uint32_t batchVertices)
{
    if (count == 0 || first + count > m_count)
        return;
    for (uint32_t done = 0; done < count; done += batchVertices) {
        const uint32_t n = std::min(batchVertices, count - done);
        out.push_back([this, mode, start = first + done, n]() {
            if (!begin())
                return;
            glDrawArrays(GLenum(mode), GLint(start), GLsizei(n));
            end();
        });
    }
}

void VertexBuffer::elementBatches(unsigned mode, const std::vector<uint32_t> &indices, DrawBatches &out,
                                  uint32_t batchVertices)
{
    const auto count = uint32_t(indices.size());
    for (uint32_t done = 0; done < count; done += batchVertices) {
        const uint32_t n = std::min(batchVertices, count - done);
        out.push_back([this, mode, first = indices.data() + done, n]() {
            if (!begin())
                return;
            glDrawElements(GLenum(mode), GLsizei(n), GL_UNSIGNED_INT, first);
            end();
        });
    }
}

void runBatches(const DrawBatches &batches)
{
    for (std::size_t i = 0; i < batches.size(); ++i) {
        if (i > 0)
            waitForRenderer();
        batches[i]();
    }
}

// ---- DataSetBuffers ----------------------------------------------------------

void DataSetBuffers::prepare(const PointRecord *pts, uint32_t count, double scaleZ, int32_t vectorMult)
{
    const Source source{pts, count, scaleZ};
    if (!(source == m_source)) {
        clear();
        m_source = source;
    }
    // Two vertices per record, so a block of vertices starts at an even index.
    if (!m_pointsBuilt) {
        m_points.upload(2 * count, [&](uint32_t first, uint32_t n, Vertex3f *out) {
            fillPointVertices(pts, first / 2, n / 2, 1, scaleZ, out);
        });
        m_pointsBuilt = true;
    }
    if (!m_vectorsBuilt || vectorMult != m_vectorMult) {
        m_vectors.upload(2 * count, [&](uint32_t first, uint32_t n, Vertex3f *out) {
            fillVectorVertices(pts, first / 2, n / 2, 1, scaleZ, vectorMult, out);
        });
        m_vectorMult = vectorMult;
        m_vectorsBuilt = true;
        m_subsetStride = 0;
    }
}

void DataSetBuffers::prepareSubset(uint32_t stride)
{
    if (stride == m_subsetStride)
        return;
    const PointRecord *pts = m_source.pts;
    const double scaleZ = m_source.scaleZ;
    const int32_t mult = m_vectorMult;
    // Vertex v of the subset is vertex v % 2 of record (v / 2) x stride.
    const uint32_t vertices = 2 * subsetCount(m_source.count, stride);
    m_subsetPoints.upload(vertices, [&](uint32_t first, uint32_t n, Vertex3f *out) {
        fillPointVertices(pts, first / 2 * stride, n / 2, stride, scaleZ, out);
    });
    m_subsetVectors.upload(vertices, [&](uint32_t first, uint32_t n, Vertex3f *out) {
        fillVectorVertices(pts, first / 2 * stride, n / 2, stride, scaleZ, mult, out);
    });
    m_subsetStride = stride;
}

uint32_t DataSetBuffers::pointBatches(const FrustumPlanes *cull, uint32_t stride, DrawBatches &out,
                                      uint32_t batchVertices)
{
    const uint32_t records = m_source.count;
    if (records == 0 || m_points.vertexCount() == 0)
        return 0;
    stride = std::max(stride, 1u);
    VertexBuffer &points = stride == 1 ? m_points : m_subsetPoints;
    if (stride > 1)
        prepareSubset(stride);
    const uint32_t drawable = points.vertexCount() / 2;
    if (!cull) {
        points.arrayBatches(GL_POINTS, 0, 2 * drawable, out, batchVertices);
        return drawable;
    }
    const uint32_t visible = visibleRecordIndices(m_source.pts, records, stride, m_source.scaleZ, *cull, m_visible);
    if (visible == drawable)
        points.arrayBatches(GL_POINTS, 0, 2 * drawable, out, batchVertices);
    else
        points.elementBatches(GL_POINTS, m_visible, out, batchVertices);
    return visible;
}

void DataSetBuffers::vectorBatches(uint32_t stride, DrawBatches &out, uint32_t batchVertices)
{
    if (stride <= 1) {
        m_vectors.arrayBatches(GL_LINES, 0, m_vectors.vertexCount(), out, batchVertices);
        return;
    }
    if (m_vectors.vertexCount() == 0)
        return;
    prepareSubset(stride);
    m_subsetVectors.arrayBatches(GL_LINES, 0, m_subsetVectors.vertexCount(), out, batchVertices);
}

std::size_t DataSetBuffers::clientBytes() const
{
    return m_points.clientBytes() + m_vectors.clientBytes() + m_subsetPoints.clientBytes() +
           m_subsetVectors.clientBytes() + m_visible.capacity() * sizeof(uint32_t);
}

void DataSetBuffers::clear()
{
    m_source = Source{};
    m_points.clear();
    m_pointsBuilt = false;
    m_vectors.clear();
    m_vectorsBuilt = false;
    m_visible = std::vector<uint32_t>();
    m_subsetPoints.clear();
    m_subsetVectors.clear();
    m_subsetStride = 0;
}

// ---- TinBuffers --------------------------------------------------------------

void TinBuffers::prepare(const PointRecord *pts, uint32_t nPts, const Triangle *tris, uint32_t nTris, double scaleZ)
{
    const Source source{pts, nPts, tris, nTris, scaleZ};
    if (m_built && source == m_source)
        return;
    TinArrays arrays = tinArrays(pts, nPts, tris, nTris, scaleZ);
    m_vertices.upload(arrays.vertices);
    m_indices = std::move(arrays.indices);
    m_source = source;
    m_built = true;
}

void TinBuffers::batches(DrawBatches &out, uint32_t batchVertices)
{
    m_vertices.elementBatches(GL_TRIANGLES, m_indices, out, batchVertices);
}

void TinBuffers::clear()
{
    m_vertices.clear();
    m_indices = std::vector<uint32_t>();
    m_source = Source{};
    m_built = false;
}

// ---- SceneBuffers ------------------------------------------------------------

void SceneBuffers::useContext(QOpenGLContext *context)
{
    if (context == m_context)
        return;
    clear();
    m_context = context;
}

void SceneBuffers::clear()
{
    ds1.clear();
    ds2.clear();
    tin.clear();
}

}  // namespace veltrane
