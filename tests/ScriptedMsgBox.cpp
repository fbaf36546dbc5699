#include "ScriptedMsgBox.h"

ScriptedMsgBox::ScriptedMsgBox()
{
    SetMsgAnswerer([this](const MsgRequest& request) {
        shown.append(request);
        if (answers_.isEmpty()) {
            unexpected.append(request.text);
            return MsgResult::OK;
        }
        Answer answer = answers_.dequeue();
        if (answer.whileOpen)
            answer.whileOpen();
        return answer.result;
    });
}

ScriptedMsgBox::~ScriptedMsgBox()
{
    SetMsgAnswerer({});
}

void ScriptedMsgBox::Expect(MsgResult answer, std::function<void()> whileOpen)
{
    answers_.enqueue({answer, std::move(whileOpen)});
}

ScriptedRandom::ScriptedRandom(QList<double> values)
    : values_(std::move(values))
{
}

void ScriptedRandom::SeedFromTimeOfDay()
{
    ++seeded;
}

double ScriptedRandom::Next()
{
    const double value = values_.at(next_);
    next_ = (next_ + 1) % values_.size();
    return value;
}

double RandomFor(int hole)
{
    // The middle of the hole's ninth of [0, 1).
    return (hole - 0.5) / 9.0;
}
