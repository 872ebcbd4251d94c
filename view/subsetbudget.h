#pragma once
// How many records of a data set a frame draws while the camera moves: as
// many as keep such a frame at about a target time on this machine, learnt
// from the moving frames shown, never fewer than a small data set holds.
// The budget changes only between motions, so that one motion shows one
// subset throughout.

#include <cstdint>
#include <vector>

namespace veltrane {

class SubsetBudget {
public:
    // A moving frame on screen should take about this long: five or more
    // frames a second with the input handled between them.
    static constexpr double kTargetMs = 150.0;
    // The budget before any frame has been measured.
    static constexpr uint32_t kInitialRecords = 50000;
    // Data sets up to this size are always drawn whole.
    static constexpr uint32_t kSmallDataSetRecords = 20000;

    // Adapts from `initialRecords` towards `targetMs` per frame.
    explicit SubsetBudget(uint32_t initialRecords = kInitialRecords, double targetMs = kTargetMs);
    // Never adapts: always `records`.
    static SubsetBudget fixed(uint32_t records);

    uint32_t records() const { return m_records; }

    // A moving frame that drew `records` records was on screen after `ms`.
    void noteFrame(uint32_t records, double ms);
    // A motion starts: the budget follows the frames noted since the last
    // call, if there are enough of them and their time is off target.
    void adapt();

private:
    uint32_t m_records;
    double m_targetMs;
    bool m_adapts = true;
    // Times of the latest frames that all drew m_sampleRecords records.
    uint32_t m_sampleRecords = 0;
    std::vector<double> m_samples;
};

}  // namespace veltrane
