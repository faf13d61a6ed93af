#pragma once

#include <QString>

namespace corvamo {

// The loader image copied into folder: written beside its name, synced (file and folder), renamed
// over it, read back from the volume and compared; other spellings of the name removed. Never into
// the root of the system's own root file system. ok false with the reason in message.
struct CardCopy {
    bool ok = false;
    QString path;     // where it went
    QString message;  // why it failed
};
CardCopy CopyLoaderImage(const QString& image, const QString& folder);

}  // namespace corvamo
