// Recreating a package's tree under a folder, and picture16 items as PNG files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <istream>
#include <ostream>

namespace inspector {

// lindquay-ls's exit codes.
inline constexpr int kExitOk = 0;
inline constexpr int kExitProblem = 1;  // the package breaks a rule, or something could not be written
inline constexpr int kExitUsage = 2;

// Whether the loader's builder converts a file of this name into a picture16 item.
bool IsPictureName(const std::string& name);

// Writes every item of the ROM's package below dir (created when missing), and with png every
// picture16 item also as NAME.png beside it. Nothing is written outside dir: unsafe names, links
// and existing files in the way are reported on err and skipped. Returns kExitOk when everything
// was written, kExitProblem otherwise.
int ExtractPackage(const std::filesystem::path& rom, const std::filesystem::path& dir, bool png, std::ostream& out,
                   std::ostream& err);
// The same on a ROM of `size` bytes already open, named `romName` in the messages.
int ExtractPackage(std::istream& rom, std::uint64_t size, const std::string& romName, const std::filesystem::path& dir,
                   bool png, std::ostream& out, std::ostream& err);

}  // namespace inspector
