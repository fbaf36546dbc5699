#include "platform/MsgBox.h"

#include "platform/ModalOwner.h"
#include "platform/PrunedAccessible.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QList>
#include <QMessageBox>
#include <QPushButton>
#include <QWindow>

namespace {

// Without an escape button set, Escape and the window manager's close do
// nothing: QMessageBox would otherwise take No for one.
class AnswerRequiredBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (!escapeButton() && event->matches(QKeySequence::Cancel)) {
            event->accept();
            return;
        }
        QMessageBox::keyPressEvent(event);
    }

    void closeEvent(QCloseEvent* event) override
    {
        if (!escapeButton() && event->spontaneous())
            event->ignore();
        else
            QMessageBox::closeEvent(event);
    }
};

// A box tells its text as its description: the label that shows the same
// text is not read a second time.
bool repeatsDescription(const QMessageBox& box, const QObject* child)
{
    const auto* label = qobject_cast<const QLabel*>(child);
    return label && !box.accessibleDescription().isEmpty() && label->text() == box.accessibleDescription();
}

MsgAnswerer& answerer()
{
    static MsgAnswerer current;
    return current;
}

QMessageBox::Icon qtIcon(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::Question: return QMessageBox::Question;
    case MsgIcon::Information: return QMessageBox::Information;
    case MsgIcon::Critical: return QMessageBox::Critical;
    case MsgIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

struct ButtonChoice {
    const char16_t* text;
    QMessageBox::ButtonRole role;
    MsgResult result;
};

QList<ButtonChoice> buttonsOf(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::YesNo:
        return {{u"はい(&Y)", QMessageBox::YesRole, MsgResult::Yes},
                {u"いいえ(&N)", QMessageBox::NoRole, MsgResult::No}};
    case MsgButtons::RetryCancel:
        return {{u"再試行(&R)", QMessageBox::AcceptRole, MsgResult::Retry},
                {u"キャンセル", QMessageBox::RejectRole, MsgResult::Cancel}};
    case MsgButtons::OK: break;
    }
    return {{u"OK", QMessageBox::AcceptRole, MsgResult::OK}};
}

MsgResult showReal(const MsgRequest& request)
{
    installPrunedAccessible<QMessageBox, QAccessible::AlertMessage, repeatsDescription>();
    AnswerRequiredBox box(qtIcon(request.icon), request.title, request.text);
    // An empty title would otherwise be replaced by the program's name.
    box.setWindowTitle(request.title.isEmpty() ? QStringLiteral(" ") : request.title);
    // Assistive tools announce a box by its name: the title where it has
    // one, else the text, which they read as its description as well.
    box.setAccessibleName(request.title.isEmpty() ? request.text : request.title);
    box.setAccessibleDescription(request.text);
    const QList<ButtonChoice> choices = buttonsOf(request.buttons);
    QList<QAbstractButton*> made;
    for (const ButtonChoice& choice : choices)
        made.append(box.addButton(QString::fromUtf16(choice.text), choice.role));
    box.setDefaultButton(qobject_cast<QPushButton*>(made.first()));
    if (request.buttons == MsgButtons::YesNo) {
        // Only Yes and No, so no Cancel: the player has to answer, and the
        // title bar offers no close button.
        box.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    } else {
        // Escape and the window's close answer with the last button (Cancel, OK).
        box.setEscapeButton(made.last());
    }
    box.winId();  // creates the windowHandle()
    box.windowHandle()->setTransientParent(request.owner);
    box.exec();
    const int chosen = made.indexOf(box.clickedButton());
    return choices.at(chosen < 0 ? choices.size() - 1 : chosen).result;
}

} // namespace

MsgResult messageBox(const QString& text, MsgButtons buttons, MsgIcon icon, const QString& title)
{
    const MsgRequest request{text, buttons, icon, title, modalOwner()};
    if (answerer())
        return answerer()(request);
    return showReal(request);
}

void setMessageAnswerer(MsgAnswerer replacement)
{
    answerer() = std::move(replacement);
}
