#pragma once

#include "messages.h"

class QWidget;

// The real boxes (QMessageBox, modal over parent).
class QtMessageBoxes : public MessageBoxes {
public:
    explicit QtMessageBoxes(QWidget* parent = nullptr) : parent_(parent) {}
    void ok(const QString& text) override;
    bool yesNo(const QString& text) override;

private:
    QWidget* parent_;
};
