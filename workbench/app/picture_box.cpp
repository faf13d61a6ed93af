#include "picture_box.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

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
    else if (view)
        painter.drawImage(inside.topLeft(), view());
    else if (picture_)
        painter.drawImage(inside.topLeft(), picture_->image());
    if (hasFocus()) {
        // Where the keyboard is: a dotted frame just inside the border.
        painter.setClipping(false);
        QPen pen(palette().color(QPalette::Highlight), 1, Qt::DotLine);
        painter.setPen(pen);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

bool PictureBox::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip && tip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QString text = tip(help->pos() - QPoint(Border, Border));
        if (!text.isEmpty()) {
            QToolTip::showText(help->globalPos(), text, this);
            return true;
        }
    }
    return QWidget::event(event);
}

void PictureBox::keyPressEvent(QKeyEvent* event) {
    if (key && key(event)) return;
    const bool press = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space;
    if (press && clicked && event->modifiers() == Qt::NoModifier) {
        clicked();
        return;
    }
    QWidget::keyPressEvent(event);
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
