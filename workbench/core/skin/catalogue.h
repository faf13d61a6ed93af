#pragma once

#include <QString>
#include <QStringList>

namespace corvamo {

// The skin's fixed file names. Each list is kept as the one ";"-string it is known by and split
// into a 0-based array where it is used; for the picture lists the index is the slot index.
namespace Catalogue {
extern const char* const MainJpgNames;     // 7 names, main slots 0..6
extern const char* const MainBmpNames;     // 7 names, the BMP form of the same slots
extern const char* const ExtraBmpNames;    // 31 names, extra slots 0..30
extern const char* const NdsInstallNames;  // the 7 JPEG names, then asc.dat and hzk.dat
extern const char* const SkinFileNames;    // all 49 names a skin folder may hold

QStringList Split(const char* list);
}  // namespace Catalogue

}  // namespace corvamo
