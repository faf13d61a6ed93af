#include "check_dialog.h"

#include "author/skin_check.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvamo {

CheckDialog::CheckDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("CheckDialog"));
    reportText = new QPlainTextEdit(this);
    reportText->setObjectName(QStringLiteral("reportText"));
    reportText->setReadOnly(true);
    reportText->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    reportText->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    reportText->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    copyButton = new QPushButton(QStringLiteral("&Copy"), this);
    closeButton = new QPushButton(QStringLiteral("C&lose"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(copyButton);
    buttons->addWidget(closeButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(reportText);
    layout->addLayout(buttons);
    resize(900, 420);
    connect(copyButton, &QPushButton::clicked, this, [this] { QApplication::clipboard()->setText(text()); });
    connect(closeButton, &QPushButton::clicked, this, &QDialog::close);
}

void CheckDialog::showReport(const SkinReport& result) {
    setWindowTitle(QStringLiteral("Corvamo: check of %1").arg(result.skin));
    reportText->setPlainText(result.text());
    show();
    raise();
    activateWindow();
}

QString CheckDialog::text() const { return reportText->toPlainText(); }

}  // namespace corvamo
