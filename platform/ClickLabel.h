#pragma once

#include <QLabel>

// A label that is also a command: a press and release of the left button
// inside its rectangle is a click, wherever on the rectangle it lands.
// A picture is drawn unscaled at the top-left corner, and on a high-density
// screen enlarged pixel by pixel, so pixel art stays crisp. Assistive
// tools see it as a push button that they can press.
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickLabel(QWidget* parent = nullptr);

    // Runs the command as a click does.
    void click();

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool pressed_ = false;
};
