#pragma once

#include <QStringList>
#include <QTextStream>

// Corvamo --export-previews SKIN...: loads each skin (archive or folder) as a click in the window
// would and saves both previews beside it. Returns the process exit code.
int ExportPreviews(const QStringList& skins, QTextStream& out, QTextStream& err);
