#pragma once

#include "platform/status.h"

#include <QString>

namespace corvamo {

// The loader image copied into folder: written beside its name, synced (file and folder), renamed
// over it, read back from the volume and compared; other spellings of the name removed. Never into
// the root of the system's own root file system.
struct CardCopy {
    Status status;  // a failure says why
    QString path;   // where it went
};
CardCopy CopyLoaderImage(const QString& image, const QString& folder);

}  // namespace corvamo
