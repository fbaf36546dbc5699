#pragma once

#include "platform/MsgBox.h"

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
    void expect(MsgResult answer, std::function<void()> whileOpen = {});

    QList<MsgRequest> shown;
    QStringList unexpected;

private:
    struct Answer {
        MsgResult result;
        std::function<void()> whileOpen;
    };
    QQueue<Answer> answers_;
};
