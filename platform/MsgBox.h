#pragma once

#include <QString>

#include <functional>

class QWindow;

// The buttons a message box offers. The first named button is the default.
enum class MsgButtons { OK, YesNo, RetryCancel };
enum class MsgIcon { None, Question, Information, Critical };
enum class MsgResult { OK, Yes, No, Retry, Cancel };

struct MsgRequest {
    QString text;
    MsgButtons buttons = MsgButtons::OK;
    MsgIcon icon = MsgIcon::None;
    QString title;
    QWindow* owner = nullptr;  // the box is transient for it; see ModalOwner.h
};

// Shows a modal message box, transient for the modal owner while there is
// one, and returns the button chosen. The title is shown as given, also when
// it is empty.
MsgResult messageBox(const QString& text, MsgButtons buttons, MsgIcon icon, const QString& title);

// Replaces the real message box, for tests; an empty function restores it.
using MsgAnswerer = std::function<MsgResult(const MsgRequest&)>;
void setMessageAnswerer(MsgAnswerer answerer);
