#pragma once

#include <QDialog>
#include <QRect>

class ClickLabel;
class QPushButton;

// The look the small windows share: borderless and green, a 3-pixel frame
// drawn inside the client area, a pink OK face with a 5-pixel red border
// drawn inside it, the "OK" label over the face, and a default button kept
// outside the client area that gives the keyboard a way to the OK action.
// Every way of closing (the OK label, the button, Enter, Escape, the window
// manager) runs pressOk(), the window's own OK action. Assistive tools see
// a dialog with one OK, the default button. Shown modally, the window is
// transient for the modal owner (see ModalOwner.h); shown modeless, for no
// window.
class GreenDialog : public QDialog {
    Q_OBJECT
public:
    struct Layout {
        QSize client;         // pixels
        QRect frame;          // the frame's outer edge
        QRect face;           // the OK face
        QRect okLabel;        // the "OK" text over the face
        QRect defaultButton;  // right of the client area, out of sight
        QString title;        // never shown, as the window has no title bar
        QString accessibleName;  // what assistive tools call the window
    };

    explicit GreenDialog(const Layout& layout);

    ClickLabel* okLabel() const { return okLabel_; }
    QPushButton* defaultButton() const { return defaultButton_; }

    // The OK action: either unload() or hide().
    virtual void pressOk() = 0;

    // Escape comes here: it runs the OK action.
    void reject() override;

    // Closes and destroys the window. Closing (not just hiding) lets the
    // program end when this was its last window.
    void unload();

protected:
    // The window manager's close runs the OK action instead of closing.
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    Layout layout_;
    ClickLabel* okLabel_ = nullptr;
    QPushButton* defaultButton_ = nullptr;
    bool unloading_ = false;
};
