#include "engine/geodesy/gridconversion.h"

#include <algorithm>
#include <mutex>
#include <utility>

namespace veltrane {

namespace {

PositionColumns columnsOf(const CoordinateSystem &system)
{
    PositionColumns columns;
    columns.kind = system.kind;
    if (system.kind != CoordinateKind::Geographic)
        columns.unit = unitLabel(system);
    return columns;
}

bool sameConversion(const CoordinateSystem &a, const CoordinateSystem &b)
{
    return a.kind == b.kind && a.pipeline == b.pipeline && a.metresPerUnit == b.metresPerUnit;
}

}  // namespace

// Converters of one system, each used by one thread at a time; as many are
// made as threads ask at once.
class GridConversion::ConverterPool {
public:
    explicit ConverterPool(const CoordinateSystem &system) : system_(system) {}

    const std::string &definition() const { return system_.definition; }

    // A converter lent for the life of the lease.
    class Lease {
    public:
        explicit Lease(ConverterPool &pool) : pool_(pool), converter_(pool.take()) {}
        ~Lease() { pool_.giveBack(std::move(converter_)); }
        Lease(const Lease &) = delete;
        Lease &operator=(const Lease &) = delete;
        CoordinateConverter &operator*() const { return *converter_; }

    private:
        ConverterPool &pool_;
        std::unique_ptr<CoordinateConverter> converter_;
    };

private:
    std::unique_ptr<CoordinateConverter> take()
    {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            if (!idle_.empty()) {
                std::unique_ptr<CoordinateConverter> converter = std::move(idle_.back());
                idle_.pop_back();
                return converter;
            }
        }
        return std::make_unique<CoordinateConverter>(system_);
    }
    void giveBack(std::unique_ptr<CoordinateConverter> converter)
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        idle_.push_back(std::move(converter));
    }

    const CoordinateSystem system_;
    std::mutex mutex_;
    std::vector<std::unique_ptr<CoordinateConverter>> idle_;
};

GridConversion::GridConversion(const CoordinateSystem &input, const CoordinateSystem &output, DatumDirection direction)
    : input_(input), outputIsInput_(sameConversion(input, output)),
      inputConverters_(std::make_unique<ConverterPool>(input)),
      outputConverters_(outputIsInput_ ? nullptr : std::make_unique<ConverterPool>(output))
{
    layout_.direction = direction;
    layout_.source = columnsOf(input);
    layout_.target = columnsOf(output);
}

GridConversion::~GridConversion() = default;

bool GridConversion::ready(std::string &error) const
{
    for (ConverterPool *pool : {inputConverters_.get(), outputConverters_.get()}) {
        if (!pool)
            continue;
        const ConverterPool::Lease converter(*pool);
        if (!(*converter).valid()) {
            error = "PROJ cannot convert to " + pool->definition();
            return false;
        }
    }
    return true;
}

void GridConversion::toGeographic(std::vector<PointRecord> &points, std::vector<GridPoint> &grid) const
{
    grid.assign(points.size(), GridPoint());
    for (size_t i = 0; i < points.size(); ++i) {
        grid[i].source[0] = points[i].x;
        grid[i].source[1] = points[i].y;
        grid[i].source[2] = points[i].h;
    }
    if (points.empty())
        return;
    const ConverterPool::Lease converter(*inputConverters_);
    (*converter).toGeographic(&points[0].x, &points[0].y, &points[0].h, sizeof(PointRecord), points.size());
}

void GridConversion::fromGeographic(const std::vector<PointRecord> &points, const PointStatus *status,
                                    std::vector<GridPoint> &grid) const
{
    if (points.empty())
        return;
    for (size_t i = 0; i < points.size(); ++i) {
        grid[i].target[0] = points[i].xTo;
        grid[i].target[1] = points[i].yTo;
        grid[i].target[2] = points[i].hTo;
    }
    ConverterPool &targetPool = outputIsInput_ ? *inputConverters_ : *outputConverters_;
    {
        const ConverterPool::Lease converter(targetPool);
        (*converter)
            .fromGeographic(grid[0].target, grid[0].target + 1, grid[0].target + 2, sizeof(GridPoint), grid.size());
    }

    const bool shifts = input_.kind != CoordinateKind::Geographic;
    if (shifts) {
        // The grid shifts are differences in the input's system, wherever
        // the targets are written.
        if (outputIsInput_) {
            for (GridPoint &point : grid)
                std::copy(point.target, point.target + 3, point.shift);
        } else {
            for (size_t i = 0; i < points.size(); ++i) {
                grid[i].shift[0] = points[i].xTo;
                grid[i].shift[1] = points[i].yTo;
                grid[i].shift[2] = points[i].hTo;
            }
            const ConverterPool::Lease converter(*inputConverters_);
            (*converter)
                .fromGeographic(grid[0].shift, grid[0].shift + 1, grid[0].shift + 2, sizeof(GridPoint), grid.size());
        }
    }
    const double heightUnit = shifts ? input_.metresPerUnit : 1.0;
    for (size_t i = 0; i < points.size(); ++i) {
        GridPoint &point = grid[i];
        if (status[i] == PointStatus::Outside) {
            point = GridPoint{{point.source[0], point.source[1], point.source[2]}};
            continue;
        }
        for (int k = 0; k < 3; ++k)
            point.shift[k] = shifts ? point.shift[k] - point.source[k] : 0.0;
        point.deltaH = points[i].dh / heightUnit;
    }
}

}  // namespace veltrane
