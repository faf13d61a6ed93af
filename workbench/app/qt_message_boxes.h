#pragma once

#include "platform/messages.h"

class QWidget;

namespace corvamo {

// The real boxes (QMessageBox, modal over parent).
class QtMessageBoxes : public MessageBoxes {
public:
    explicit QtMessageBoxes(QWidget* parent = nullptr) : parent_(parent) {}
    void ok(const QString& text) override;
    bool yesNo(const QString& text) override;

private:
    QWidget* parent_;
};

}  // namespace corvamo
