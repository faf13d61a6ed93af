// A program folder of a test's own, like the shipped gba/ folder, with copies of the built
// programs, so that a program finds beside it what it would find when installed.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace testsupport {

struct ProgramFolder {
    // dir (made when missing) with copies of the built `programs` from the program folder's
    // gba/ (Lindquay, libmarlet.so, glimmet, lindquay-ls, marlet, Lindquay.rom), and, when
    // romSize is not 0, a base ROM Lindquay.rom of that many pattern bytes. A built file that is
    // missing throws: a test input that is not there is a fault.
    explicit ProgramFolder(const std::string& dir,
                           const std::vector<std::string>& programs = {"Lindquay", "libmarlet.so", "glimmet"},
                           std::size_t romSize = 1000);
    std::string dir;
    std::string lindquay;  // dir + "/Lindquay"
    std::string baseRom;   // dir + "/Lindquay.rom"
};

// The built program folder's gba/.
const std::string& BuiltGbaFolder();

}  // namespace testsupport
