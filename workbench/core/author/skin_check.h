#pragma once

#include "skin/skin_files.h"

#include <QString>

#include <vector>

namespace corvamo {

// One thing the check found about a skin.
struct Finding {
    enum Level { Error, Warning, Note };
    Level level;
    QString file;  // as the skin names it; empty for the skin as a whole
    QString text;  // what is wrong and why it matters
};

struct SkinReport {
    QString skin;                   // the skin's name
    std::vector<Finding> findings;  // errors first, then warnings, then notes
    int count(Finding::Level level) const;
    // One line per finding ("error: SKIN: FILE: TEXT"), then "SKIN: N errors, N warnings, N notes".
    QString text() const;
};

// Checks a skin as its author made it against what the previews, the loader's builder and the
// installation make of it.
SkinReport CheckSkin(const SkinFiles& skin);
// The same for the skin folder or .zip archive at path, an archive unpacked below scratchRoot: what
// "Check skin" and --check report.
SkinReport CheckSkin(const QString& skin, const QString& scratchRoot, const Host& host = Host());

}  // namespace corvamo
