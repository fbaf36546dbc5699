#pragma once

#include "platform/GreenDialog.h"

class QLabel;
class QLineEdit;

// The name entry of a placed game. OK only hides the window, so that the
// caller can still read name() before it unloads the window.
class NameEntryDialog : public GreenDialog {
    Q_OBJECT
public:
    NameEntryDialog();

    // The name as typed, on one line.
    QString name() const;

    void pressOk() override;

    QLabel* messageLabel() const { return messageLabel_; }
    QLineEdit* nameEdit() const { return nameEdit_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* messageLabel_ = nullptr;
    QLineEdit* nameEdit_ = nullptr;
};
