#pragma once

#include "workbench.h"

#include <QStringList>
#include <QTextStream>

// Exit codes of Corvamo's command-line modes.
enum CommandLineExit { kExitOk = 0, kExitFailure = 1, kExitUsage = 2 };

// Corvamo --export-previews SKIN...: loads each skin (archive or folder) as a click in the window
// would, from a program folder at currentFolder, and saves both previews beside it.
int ExportPreviews(const QStringList& skins, const QString& currentFolder, const CacheFolders& cache, QTextStream& out,
                   QTextStream& err);
