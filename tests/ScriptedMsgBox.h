#pragma once

#include "platform/MsgBox.h"
#include "platform/RandomSource.h"

#include <QList>
#include <QQueue>
#include <QStringList>

#include <functional>

// Stands in for every message box while it lives: records each box and
// answers from a queue. A box with no answer queued is recorded as unexpected.
class ScriptedMsgBox {
public:
    ScriptedMsgBox();
    ~ScriptedMsgBox();

    // whileOpen runs while the box is up, as ticks or clicks would.
    void Expect(MsgResult answer, std::function<void()> whileOpen = {});

    QList<MsgRequest> shown;
    QStringList unexpected;

private:
    struct Answer {
        MsgResult result;
        std::function<void()> whileOpen;
    };
    QQueue<Answer> answers_;
};

// Random numbers from a list, repeated from its start when it runs out.
class ScriptedRandom : public RandomSource {
public:
    explicit ScriptedRandom(QList<double> values);
    void SeedFromTimeOfDay() override;
    double Next() override;
    int seeded = 0;

private:
    QList<double> values_;
    qsizetype next_ = 0;
};

// The value that makes the random hole come out as the given hole.
double RandomFor(int hole);
