#include "copy_to.h"

#include <QComboBox>
#include <QPushButton>

namespace corvamo {

CopyTo::CopyTo(QWidget* parent, const std::vector<Volume>& volumes, const QString& drive) : QDialog(parent) {
    setObjectName(QStringLiteral("CopyTo"));
    setWindowTitle(QStringLiteral("Copy qvkit_up.bin to..."));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(265, 42);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(176, 8, 81, 25);
    Drive1 = new QComboBox(this);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Drive1->setGeometry(8, 8, 161, 21);
    for (const Volume& volume : volumes) Drive1->addItem(volume.entry(), volume.root);
    const int initial = Drive1->findData(drive);
    if (initial >= 0)
        Drive1->setCurrentIndex(initial);
    else if (!drive.isEmpty()) {
        Drive1->addItem(drive, drive);
        Drive1->setCurrentIndex(Drive1->count() - 1);
    }
    setTabOrder(OKButton, Drive1);
    OKButton->setDefault(true);

    connect(OKButton, &QPushButton::clicked, this, &QWidget::hide);
    connect(Drive1, &QComboBox::currentIndexChanged, this, [this] { emit driveChosen(selectedDrive()); });
}

QString CopyTo::selectedDrive() const { return Drive1->currentData().toString(); }

}  // namespace corvamo
