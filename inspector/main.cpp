// lindquay-ls: lists, verifies and extracts the FS package of a loader ROM built by Lindquay.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "package_extractor.h"
#include "package_reader.h"

namespace {

using namespace inspector;

constexpr char kUsage[] =
    "usage: lindquay-ls list ROM            the package's items in order, then totals\n"
    "       lindquay-ls verify ROM          checks every record; the first problem with its byte offset\n"
    "       lindquay-ls extract [--png] ROM DIR\n"
    "                                       recreates the tree under DIR; --png also writes each\n"
    "                                       picture as NAME.png\n";

int Usage() {
    std::cerr << kUsage;
    return kExitUsage;
}

std::string Totals(const WalkResult& walk) {
    return std::to_string(walk.folders) + " folders, " + std::to_string(walk.files) + " files, " +
           std::to_string(walk.dataBytes) + " data bytes; end record at byte " + std::to_string(walk.endOffset) +
           ", package " + std::to_string(walk.endOffset + kRecordSize - kPackageOffset) + " bytes\n";
}

int List(const std::string& rom) {
    const WalkResult walk = WalkPackage(rom, Checks::kStructure, [](const Item& item, std::istream&) {
        char size[16] = "";
        if (item.isDir != 1) std::snprintf(size, sizeof size, "%u", item.dataSize);
        std::printf("%-6s %10s  %s\n", item.isDir == 1 ? "folder" : "file", size, Printable(item.name).c_str());
        return std::optional<Problem>();
    });
    std::fflush(stdout);
    if (walk.problem) {
        std::cerr << ProblemLine(rom, *walk.problem);
        return kExitProblem;
    }
    std::cout << Totals(walk);
    return kExitOk;
}

int Verify(const std::string& rom) {
    const WalkResult walk = WalkPackage(rom, Checks::kAll, nullptr);
    if (walk.problem) {
        std::cerr << ProblemLine(rom, *walk.problem);
        return kExitProblem;
    }
    std::cout << rom << ": package OK: " << Totals(walk);
    return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) return Usage();
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) return std::cout << kUsage, kExitOk;
    if (args.size() == 1 && args[0] == "--version") return std::cout << "lindquay-ls " CORVAMO_VERSION "\n", kExitOk;
    const std::string command = args[0];
    args.erase(args.begin());
    bool png = false;
    if (command == "extract") {
        std::erase_if(args, [&](const std::string& arg) { return arg == "--png" ? (png = true) : false; });
    }
    for (const std::string& arg : args) {
        if (arg.size() > 1 && arg[0] == '-') {
            std::cerr << "lindquay-ls: unknown option " << arg << "\n";
            return Usage();
        }
    }
    if ((command == "list" || command == "verify") && args.size() == 1) {
        return command == "list" ? List(args[0]) : Verify(args[0]);
    }
    if (command == "extract" && args.size() == 2) return ExtractPackage(args[0], args[1], png, std::cout, std::cerr);
    if (command != "list" && command != "verify" && command != "extract") {
        std::cerr << "lindquay-ls: unknown command " << command << "\n";
    }
    return Usage();
}
