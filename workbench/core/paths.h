#pragma once

#include <QString>

// The folder with one "/" at its end.
inline QString WithSlash(const QString& folder) { return folder.endsWith('/') ? folder : folder + '/'; }

// A folder as the folder list shows it: without a trailing "/", except the root.
inline QString FolderPath(QString path) {
    while (path.size() > 1 && path.endsWith('/')) path.chop(1);
    return path;
}
