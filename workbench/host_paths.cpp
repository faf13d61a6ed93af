#include "host_paths.h"

#include <QStandardPaths>

QString CacheRoot() { return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + "/Corvamo/"; }

QString TempFolder() { return CacheRoot() + "CorvamoTemp/"; }

QString ScratchBmp() { return CacheRoot() + "temp.bmp"; }
