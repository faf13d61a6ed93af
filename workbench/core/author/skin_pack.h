#pragma once

#include "platform/status.h"
#include "skin/skin_files.h"

#include <QString>

namespace corvamo {

// Writes a zip archive at out holding exactly the catalogue files the skin has (the files loading
// would take), under the catalogue's spelling, flat, and nothing else: what an author shares is
// what the loader reads. The zip is written beside out and takes its place only when complete;
// an existing out is replaced only when replace is set. The success says what was saved.
Status PackSkin(const SkinFiles& skin, const QString& out, bool replace);
// The same for the skin folder or .zip archive at path, an archive unpacked below scratchRoot: what
// "Save skin as zip" and --pack-skin write.
Status PackSkin(const QString& skin, const QString& scratchRoot, const QString& out, bool replace,
                const Host& host = Host());

}  // namespace corvamo
