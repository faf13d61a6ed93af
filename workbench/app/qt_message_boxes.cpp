#include "qt_message_boxes.h"

#include <QMessageBox>

namespace corvamo {

namespace {
const QString Title = QStringLiteral("Corvamo");
}

void QtMessageBoxes::ok(const QString& text) { QMessageBox::information(parent_, Title, text, QMessageBox::Ok); }

bool QtMessageBoxes::yesNo(const QString& text) {
    return QMessageBox::question(parent_, Title, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

}  // namespace corvamo
