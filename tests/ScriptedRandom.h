#pragma once

#include "platform/RandomSource.h"

#include <QList>

#include <initializer_list>

// Random numbers from a list, repeated from its start when it runs out.
class ScriptedRandom : public RandomSource {
public:
    explicit ScriptedRandom(QList<double> values);
    void seedFromTimeOfDay() override;
    double next() override;
    int seeded = 0;

private:
    QList<double> values_;
    qsizetype next_ = 0;
};

// The value that makes the random hole come out as the given hole.
double randomFor(int hole);
// The values that make the random holes come out as the given holes, in order.
QList<double> holes(std::initializer_list<int> sequence);
