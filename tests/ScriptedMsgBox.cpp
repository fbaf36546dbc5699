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
