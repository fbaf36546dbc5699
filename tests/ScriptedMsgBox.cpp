#include "ScriptedMsgBox.h"

ScriptedMsgBox::ScriptedMsgBox()
{
    setMessageAnswerer([this](const MsgRequest& request) {
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
    setMessageAnswerer({});
}

void ScriptedMsgBox::expect(MsgResult answer, std::function<void()> whileOpen)
{
    answers_.enqueue({answer, std::move(whileOpen)});
}
