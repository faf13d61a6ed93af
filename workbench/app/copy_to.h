#pragma once

#include "platform/host_layer.h"

#include <QDialog>

#include <vector>

class QComboBox;
class QPushButton;

namespace corvamo {

// The copy-to window: the volume that receives the loader image. OK hides it; the choice stays
// until the main window unloads it.
class CopyTo : public QDialog {
    Q_OBJECT
public:
    // volumes: the drive list's entries; drive: the root to select.
    CopyTo(QWidget* parent, const std::vector<Volume>& volumes, const QString& drive);

    QString selectedDrive() const;  // the root of the selected volume

    QPushButton* OKButton;
    QComboBox* Drive1;

signals:
    void driveChosen(const QString& root);
};

}  // namespace corvamo
