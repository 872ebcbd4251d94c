#pragma once
// A small pseudo-random generator with a fixed, published algorithm
// (SplitMix64), so that the generated data are the same bytes with every
// compiler and library.

#include <cstdint>

class SplitMix64 {
public:
    explicit SplitMix64(uint64_t seed) : state_(seed) {}

    uint64_t next()
    {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // Uniform in [0, 1), from the top 53 bits.
    double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

    // Uniform in [lo, hi).
    double uniform(double lo, double hi) { return lo + (hi - lo) * uniform(); }

    // Integer in [0, n); the modulo bias is negligible for the small n used here.
    uint64_t below(uint64_t n) { return next() % n; }

private:
    uint64_t state_;
};
