// The build driver: argument check, base-ROM copy, package, summary.
#include <istream>

#include "host.h"
#include "lindquay.h"
#include "listing.h"
#include "package_writer.h"

namespace lindquay {

namespace {

int WaitAndFail(std::istream& in) {
    in.get();  // lets a user who started it from a window read the message first
    return kExitFailed;
}

}  // namespace

int RunLindquay(const std::vector<std::string>& args, std::ostream& out, std::istream& in, const DriverHooks& hooks) {
    Listing listing(out);
    if (args.size() != 2) {
        listing.Usage();
        return WaitAndFail(in);
    }
    BuildState state;
    std::string fsDir;
    if (!FullPath(args[0], fsDir)) {
        listing.InvalidFsDir(args[0]);
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
        if (Exists(own)) {
            baseRom = own;
        } else if (hooks.notices) {
            *hooks.notices << "Lindquay: no base ROM in " << state.progDir << "; using the placeholder " << baseRom
                           << std::endl;
        }
    }
    state.shellDir = state.progDir + ".shell";

    listing.BaseRomStarted();
    if (!CopyFile(baseRom, outputPath)) {
        listing.BaseRomFailed();
        return WaitAndFail(in);
    }
    listing.Header();
    if (LinkFSFile(state, listing, outputPath, hooks) != 0) {
        listing.AddingFailed();
        return WaitAndFail(in);
    }
    listing.Summary(state.totalDirs, state.totalFiles, RomSizeKB(outputPath));
    return kExitBuilt;
}

}  // namespace lindquay
