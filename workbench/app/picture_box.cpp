#include "picture_box.h"

#include <QMouseEvent>
#include <QPainter>

namespace corvamo {

PictureBox::PictureBox(QWidget* parent, const Picture* picture, const QColor* colour)
    : QWidget(parent), picture_(picture), colour_(colour) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

int PictureBox::ButtonValue(Qt::MouseButtons buttons) {
    return (buttons & Qt::LeftButton ? 1 : 0) + (buttons & Qt::RightButton ? 2 : 0) +
           (buttons & Qt::MiddleButton ? 4 : 0);
}

void PictureBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect inside = rect().adjusted(Border, Border, -Border, -Border);
    // A sunken 3D border: dark on the top and left, light on the bottom and right.
    painter.fillRect(rect(), palette().color(QPalette::Light));
    painter.fillRect(QRect(0, 0, width(), Border), palette().color(QPalette::Dark));
    painter.fillRect(QRect(0, 0, Border, height()), palette().color(QPalette::Dark));
    painter.fillRect(inside, palette().color(QPalette::Button));
    painter.setClipRect(inside);
    if (colour_)
        painter.fillRect(inside, *colour_);
    else if (picture_)
        painter.drawImage(inside.topLeft(), picture_->image());
}

void PictureBox::report(QMouseEvent* event, int button) {
    if (mouse) mouse(button, int(event->position().x()) - Border, int(event->position().y()) - Border);
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
    pressed_ = true;
    report(event, ButtonValue(event->button()));
}

void PictureBox::mouseMoveEvent(QMouseEvent* event) { report(event, ButtonValue(event->buttons())); }

void PictureBox::mouseReleaseEvent(QMouseEvent* event) {
    report(event, ButtonValue(event->button()));
    if (pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && clicked)
        clicked();
    pressed_ = event->buttons() != Qt::NoButton;
}

}  // namespace corvamo
