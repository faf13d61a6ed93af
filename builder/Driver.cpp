// The build driver: argument check, base-ROM copy, package, summary.
#include <filesystem>
#include <istream>
#include <ostream>

#include "Lindquay.h"

namespace lindquay {

namespace {

const char kRule[] = "----- : ---------------------------------------------------- - ------------\n";

int WaitAndFail(std::istream& in) {
    in.get();  // lets a user who started it from a window read the message first
    return 1;
}

}  // namespace

int RunLindquay(const std::vector<std::string>& args, std::ostream& out, std::istream& in, const DriverHooks& hooks) {
    BuildState state;
    if (args.size() != 2) {
        out << "REDOZ Vud Ovivi Command Line Program 2.0\n"
               "Corvamo skin toolkit: Lindquay, the loader ROM builder of the Corvamo project\n"
               "\nUsage: Lindquay [FSDir] [OutputRomFile]\n\n"
            << std::flush;
        return WaitAndFail(in);
    }
    std::string fsDir;
    if (!FullPath(args[0], fsDir)) {
        ++state.errorCount;
        out << "\nError: Specifiled [FSDir: " << args[0] << "] is invalid!\n\n" << std::flush;
        return WaitAndFail(in);
    }
    state.fsDir = fsDir == "/" ? fsDir : fsDir + "/";
    const std::string outputPath = args[1];

    const std::string programPath = hooks.programPath.empty() ? RunningProgramPath() : hooks.programPath;
    const std::size_t nameStart = programPath.find_last_of('/') + 1;
    state.progDir = programPath.substr(0, nameStart);
    std::string baseRom = BaseRomPath(programPath);
    std::string standIn;
    if (!hooks.programDir.empty() && FullPath(hooks.programDir, standIn)) {
        state.progDir = standIn == "/" ? standIn : standIn + "/";
        // Its own base ROM when it has one; else the one beside the program, which is the
        // installation's placeholder, and the user is told.
        const std::string own = BaseRomPath(state.progDir + programPath.substr(nameStart));
        std::error_code missing;
        if (std::filesystem::exists(own, missing)) {
            baseRom = own;
        } else if (hooks.notices) {
            *hooks.notices << "Lindquay: no base ROM in " << state.progDir << "; using the placeholder " << baseRom
                           << std::endl;
        }
    }
    state.shellDir = state.progDir + ".shell";

    out << "Generate Base Rom ... " << std::flush;
    std::error_code ec;
    std::filesystem::copy_file(baseRom, outputPath, std::filesystem::copy_options::overwrite_existing, ec);
    if (ec) {
        ++state.errorCount;
        out << "Error!\n" << std::flush;
        return WaitAndFail(in);
    }
    out << "OK\n"
        << " Type   Path And FileName" << std::string(38, ' ') << "FileSize\n"
        << kRule;

    if (LinkFSFile(state, out, outputPath, hooks) != 0) {
        out << "Error occured while Adding Source Files to Package!!!\n" << std::flush;
        return WaitAndFail(in);
    }
    out << kRule << "TotalDir: " << state.totalDirs << ",  totalFile: " << state.totalFiles
        << "\nRomFile Size: " << RomSizeKB(outputPath) << " KB\n\n"
        << "Error(s): " << state.errorCount << "  warning(s): " << state.warningCount << "\n"
        << std::flush;
    return 0;
}

}  // namespace lindquay
