#pragma once

#include "collection/skin_summary.h"

#include <QString>

#include <optional>

namespace corvamo {

// Skin summaries kept on disk between runs, one small file per skin path in a folder of the user's
// cache: the skin's key, name, check counts and problem, then the thumbnail's pixels uncompressed,
// so that a folder of hundreds opens without decoding a picture. An entry is found only while its
// key still matches the skin's, so a changed skin is made again and its new summary replaces the
// old one; an entry that is not a complete one of this user's, of that layout, is not taken.
class ThumbnailCache {
public:
    explicit ThumbnailCache(const QString& folder) : folder_(folder) {}

    // The summary kept for this path, when it was made for this key and height.
    std::optional<SkinSummary> find(const QString& path, const QString& key, int height) const;
    // Keeps the summary (written completely beside its name, then renamed over it); false when
    // it could not be written, which only costs making it again next time.
    bool store(const SkinSummary& summary) const;
    // The file that holds a path's summary.
    QString fileFor(const QString& path) const;

private:
    QString folder_;
};

}  // namespace corvamo
