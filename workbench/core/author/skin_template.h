#pragma once

#include "author/skin_layout.h"
#include "platform/status.h"

#include <QImage>
#include <QString>

namespace corvamo {

// The template picture of a catalogue picture whose size the previews fix: that size, a grid, its
// own name and size, and for a picture drawn transparently a note that pure white is see-through.
QImage TemplatePicture(const SkinFileRole& role);
// README.txt of a new skin: each catalogue file, where it shows, and its fixed size or "size not
// fixed by the previews".
QString TemplateReadme();

// Writes a new skin folder at folder, which must not exist or be empty: every picture whose size
// the previews fix, as a 24-bit BMP, and README.txt. Nothing is left behind when it fails. The
// success says what was written.
Status WriteSkinTemplate(const QString& folder);

}  // namespace corvamo
