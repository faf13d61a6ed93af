#include "testsupport/program_folder.h"

#include <filesystem>
#include <stdexcept>

#include "testsupport/sandbox.h"

namespace fs = std::filesystem;

namespace testsupport {

const std::string& BuiltGbaFolder() {
    static const std::string folder = CORVAMO_DIST_GBA;
    return folder;
}

ProgramFolder::ProgramFolder(const std::string& folder, const std::vector<std::string>& programs, std::size_t romSize)
    : dir(folder), lindquay(folder + "/Lindquay"), baseRom(folder + "/Lindquay.rom") {
    fs::create_directories(dir);
    for (const std::string& name : programs) {
        const fs::path built = fs::path(BuiltGbaFolder()) / name;
        if (!fs::is_regular_file(built)) throw std::runtime_error(built.string() + " is not built");
        fs::copy_file(built, fs::path(dir) / name, fs::copy_options::overwrite_existing);
    }
    if (romSize != 0) WriteFile(baseRom, Pattern(romSize, 7));
}

}  // namespace testsupport
