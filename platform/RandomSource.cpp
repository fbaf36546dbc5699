#include "platform/RandomSource.h"

#include <QTime>

void RandomSource::seedFromTimeOfDay()
{
    generator_.seed(static_cast<std::mt19937::result_type>(QTime::currentTime().msecsSinceStartOfDay()));
}

double RandomSource::next()
{
    // generate_canonical may round up to 1.0 on some libraries; keep the half-open range.
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    double r = uniform(generator_);
    return r < 1.0 ? r : 0.0;
}
