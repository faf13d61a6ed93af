// Lindquay FSDir OutputRomFile
#include <cstdlib>
#include <iostream>

#include "lindquay.h"

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    lindquay::DriverHooks hooks;
    if (const char* folder = std::getenv("LINDQUAY_PROGRAM_DIR")) hooks.programDir = folder;
    hooks.notices = &std::cerr;
    return lindquay::RunLindquay(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cin, hooks);
}
