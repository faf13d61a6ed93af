#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace corvamo {

struct SkinReport;

// Skin > Check skin: the report of the loaded skin, as text that can be selected and copied. It
// stays open beside the window while the author paints; F7 or a reload fills it anew.
class CheckDialog : public QDialog {
    Q_OBJECT
public:
    explicit CheckDialog(QWidget* parent);
    void showReport(const SkinReport& report);
    QString text() const;

    QPlainTextEdit* reportText;
    QPushButton *copyButton, *closeButton;
};

}  // namespace corvamo
