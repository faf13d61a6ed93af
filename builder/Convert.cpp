// What a file contributes to the package.
#include <ostream>

#include "Lindquay.h"

namespace lindquay {

EntryData PrepareEntryData(const BuildState&, std::ostream&, const std::string& sourcePath,
                           const std::string&) {
  return EntryData{0, sourcePath, false};
}

}  // namespace lindquay
