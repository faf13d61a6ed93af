#pragma once

#include "author/skin_check.h"
#include "skin/skin_files.h"

#include <QByteArray>

namespace corvamo {

// One line of `Corvamo --index`: the skin as a compact JSON object, for gallery sites and scripts.
// {"path", "name", "form" ("archive" or "folder"), "pictures" (the catalogue pictures present, in
// catalogue order and spelling), "errors", "warnings", "notes" (each a list of {"file", "text"},
// "file" empty for the skin as a whole), "size" (bytes: the archive's, or the sum of the folder's
// skin files)}, ended by a newline.
QByteArray IndexLine(const QString& path, const SkinFiles& skin, const SkinReport& report);

}  // namespace corvamo
