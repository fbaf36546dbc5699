#pragma once

#include <random>

// Uniform numbers in [0, 1), seeded once from the time of day. Tests derive
// from it to script the sequence.
class RandomSource {
public:
    virtual ~RandomSource() = default;
    virtual void seedFromTimeOfDay();
    virtual double next();

private:
    std::mt19937 generator_;
};
