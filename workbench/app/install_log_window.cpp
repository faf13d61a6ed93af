#include "install_log_window.h"

#include "workbench.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QVBoxLayout>

namespace corvamo {

InstallLogWindow::InstallLogWindow(QWidget* parent, Workbench& workbench) : QDialog(parent), workbench_(workbench) {
    setObjectName(QStringLiteral("InstallLog"));
    setWindowTitle(QStringLiteral("Install log"));
    setModal(false);
    resize(640, 420);
    logText = new QPlainTextEdit(this);
    logText->setReadOnly(true);
    logText->setLineWrapMode(QPlainTextEdit::NoWrap);
    logText->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    status = new QLabel(this);
    cancelButton = new QPushButton(QStringLiteral("Cancel build"), this);
    copyButton = new QPushButton(QStringLiteral("Copy"), this);
    saveButton = new QPushButton(QStringLiteral("Save\u2026"), this);
    closeButton = new QPushButton(QStringLiteral("Close"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(status, 1);
    for (QPushButton* b : {cancelButton, copyButton, saveButton, closeButton}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(logText, 1);
    layout->addLayout(buttons);
    cancelButton->setEnabled(false);

    chooseFile = [this] {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Save install log"),
                                            QStringLiteral("install-log.txt"));
    };
    connect(cancelButton, &QPushButton::clicked, this, [this] {
        workbench_.cancelScript();
        status->setText(QStringLiteral("Cancelling\u2026"));
    });
    connect(copyButton, &QPushButton::clicked, this, [this] { QApplication::clipboard()->setText(text()); });
    connect(saveButton, &QPushButton::clicked, this, [this] { save(); });
    connect(closeButton, &QPushButton::clicked, this, &QWidget::hide);
    workbench_.installLog().appended = [this](const QString& piece) { append(piece); };
}

void InstallLogWindow::started() {
    logText->clear();
    cancelButton->setEnabled(true);
    status->setText(QStringLiteral("Installing\u2026"));
    show();
    raise();
}

void InstallLogWindow::ended() {
    cancelButton->setEnabled(false);
    const QString& log = workbench_.installLog().text();
    status->setText(log.contains(QLatin1String("\nThe install is complete."))
                        ? QStringLiteral("Done.")
                        : QStringLiteral("Failed: see the summary."));
}

QString InstallLogWindow::text() const { return workbench_.installLog().text(); }

void InstallLogWindow::append(const QString& piece) {
    // Follow the end only while the user has not scrolled up to read.
    QScrollBar* bar = logText->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    QTextCursor cursor(logText->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(piece);
    if (atEnd) bar->setValue(bar->maximum());
}

void InstallLogWindow::save() {
    const QString path = chooseFile ? chooseFile() : QString();
    if (path.isEmpty()) return;
    // Written beside the name and renamed when complete.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text().toUtf8()) < 0 || !file.commit())
        status->setText(QStringLiteral("%1 could not be saved.").arg(path));
    else
        status->setText(QStringLiteral("%1 saved.").arg(path));
}

}  // namespace corvamo
