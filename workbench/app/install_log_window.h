#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace corvamo {

class Workbench;

// The install log: a window beside the main window that shows what an install does and the
// build scripts' output as it comes, and stays after the run so that the log can be read, copied
// and saved. Not modal: previews and menus stay usable while a script runs.
class InstallLogWindow : public QDialog {
    Q_OBJECT
public:
    InstallLogWindow(QWidget* parent, Workbench& workbench);

    // An install started (the log is cleared) or ended; the buttons follow.
    void started();
    void ended();
    QString text() const;

    // Where Save asks for the file (a file dialog; tests answer in advance); "" when cancelled.
    std::function<QString()> chooseFile;

    QPlainTextEdit* logText;
    QLabel* status;
    QPushButton *cancelButton, *copyButton, *saveButton, *closeButton;

private:
    void append(const QString& text);
    void save();

    Workbench& workbench_;
};

}  // namespace corvamo
