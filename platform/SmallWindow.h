#pragma once

#include <QDialog>
#include <QRect>

class ClickLabel;
class QPushButton;

// The look the small windows share: borderless and green, a 3-pixel frame
// drawn inside the client area, a pink OK face with a 5-pixel red border
// drawn inside it, the "OK" label over the face, and the hidden default
// button Command1 outside the client area that gives the keyboard a way to
// the OK action. Every way of closing (the button, Enter, Escape, the window
// manager) runs Command1_Click, and through it the window's OK action.
class SmallWindow : public QDialog {
    Q_OBJECT
public:
    struct Layout {
        QSize client;  // pixels
        QRect frame;   // the frame's outer edge
        QRect face;    // the OK face
        QRect okLabel; // the "OK" text over the face
        QRect command; // the hidden button, right of the client area
        QString title; // never shown, as the window has no title bar
    };

    explicit SmallWindow(const Layout& layout);

    ClickLabel* OkLabel = nullptr;
    QPushButton* Command1 = nullptr;

    virtual void Command1_Click() = 0;

    // Runs the OK action: Escape comes here.
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
    bool unloading_ = false;
};
