#pragma once

#include "preview/picture.h"

#include <QWidget>

#include <functional>

namespace corvamo {

// A visible picture box of Form1: shows a holder's surface (or a plain colour) inside a 2-pixel
// border and reports the mouse in the surface's own coordinates.
class PictureBox : public QWidget {
    Q_OBJECT
public:
    // Shows picture's image(); or, with colour set, fills the inside with that colour.
    explicit PictureBox(QWidget* parent, const Picture* picture = nullptr, const QColor* colour = nullptr);

    static constexpr int Border = 2;
    static int ButtonValue(Qt::MouseButtons buttons);

    // Also by Enter or Space while the box has the keyboard focus.
    std::function<void()> clicked;
    // What the box shows instead of the holder's surface, when set (a zoomed or console view).
    std::function<QImage()> view;
    // The tooltip for a position inside the border; the box's own tooltip when this gives "".
    std::function<QString(QPoint)> tip;
    // A key pressed while the box has the focus; true when it was used.
    std::function<bool(QKeyEvent*)> key;
    // Press, move and release: the button value (1 left, 2 right, their sum when both are held)
    // and the position inside the border.
    std::function<void(int button, int x, int y)> mouse;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void report(QMouseEvent* event, int button);

    const Picture* picture_;
    const QColor* colour_;
    bool pressed_ = false;
};

}  // namespace corvamo
