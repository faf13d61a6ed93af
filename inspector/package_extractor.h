// Recreating a package's tree under a folder, and picture16 items as PNG files.
#pragma once

#include <filesystem>
#include <ostream>

namespace inspector {

// Whether the loader's builder converts a file of this name into a picture16 item.
bool IsPictureName(const std::string& name);

// Writes every item of the ROM's package below dir (created when missing), and with png every
// picture16 item also as NAME.png beside it. Nothing is written outside dir: unsafe names, links
// and existing files in the way are reported on err and skipped. Returns the exit code: 0 when
// everything was written, 1 otherwise.
int ExtractPackage(const std::filesystem::path& rom, const std::filesystem::path& dir, bool png, std::ostream& out,
                   std::ostream& err);

}  // namespace inspector
