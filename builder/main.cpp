// Lindquay FSDir OutputRomFile
#include <iostream>

#include "lindquay.h"

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    return lindquay::RunLindquay(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cin);
}
