#pragma once

#include <cstdint>

// A seeded pseudo-random source for noise and drift: the same seed gives the same sequence on
// every platform (integer arithmetic only, no library distributions).
namespace sim {

class NoiseSource {
  public:
    explicit NoiseSource(uint64_t seed = 1) : state(seed) {}

    uint64_t Next();
    // Uniform in [0, 1).
    double Uniform();
    // Zero mean, unit standard deviation, bounded to +-6 (sum of twelve uniforms).
    double Gaussian();
    uint8_t Byte() { return static_cast<uint8_t>(Next() >> 56); }

  private:
    uint64_t state = 0;
};

}  // namespace sim
