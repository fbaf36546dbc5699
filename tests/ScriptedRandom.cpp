#include "ScriptedRandom.h"

ScriptedRandom::ScriptedRandom(QList<double> values)
    : values_(std::move(values))
{
}

void ScriptedRandom::seedFromTimeOfDay()
{
    ++seeded;
}

double ScriptedRandom::next()
{
    const double value = values_.at(next_);
    next_ = (next_ + 1) % values_.size();
    return value;
}

double randomFor(int hole)
{
    // The middle of the hole's ninth of [0, 1).
    return (hole - 0.5) / 9.0;
}

QList<double> holes(std::initializer_list<int> sequence)
{
    QList<double> values;
    for (int hole : sequence)
        values.append(randomFor(hole));
    return values;
}
