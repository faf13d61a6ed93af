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

// The files the build reads, runs or writes besides the output, in the program folder and (for
// an installed Lindquay) beside the program: writing the ROM over one would destroy it mid-build.
// The base ROM in use and the running program are not among them: copying onto either fails.
std::vector<std::string> OwnFiles(const std::string& programPath, const std::string& baseRom,
                                  const std::string& progDir) {
    std::vector<std::string> own;
    const std::string programFolder = programPath.substr(0, programPath.find_last_of('/') + 1);
    for (const std::string& folder : {progDir, programFolder}) {
        for (const char* name : {kTextFile, kBitmapFile, kPictureFile, kLockFile, "libmarlet.so", "glimmet",
                                 "lindquay-ls", "Lindquay", "Lindquay.rom"})
            if (!SameFile(folder + name, programPath) && !SameFile(folder + name, baseRom))
                own.push_back(folder + name);
    }
    return own;
}

}  // namespace

namespace {

// The build proper; its failures are reported, and the caller waits for the user only after the
// build lock is released, so that a build waiting for a key never holds up the next one.
int Build(const std::vector<std::string>& args, Listing& listing, const DriverHooks& hooks) {
    BuildState state;
    std::string fsDir;
    if (!FullPath(args[0], fsDir)) {
        listing.InvalidFsDir(args[0]);
        return kExitFailed;
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

    for (const std::string& own : OwnFiles(programPath, baseRom, state.progDir)) {
        if (SameFile(outputPath, own)) {
            listing.OutputIsOwnFile(outputPath, own);
            return kExitFailed;
        }
    }
    // Builds from one program folder share its temporary files: one at a time.
    const BuildLock lock(state.progDir + kLockFile, state.progDir, hooks.notices);

    listing.BaseRomStarted();
    // The base ROM and the running program are never replaced by a ROM.
    const bool overOwnInput = SameFile(outputPath, baseRom) || SameFile(outputPath, programPath);
    NewRom rom(baseRom, outputPath, kPackageOffset);
    if (overOwnInput || rom.error() != 0) {
        listing.BaseRomFailed();
        return kExitFailed;
    }
    listing.Header();
    if (LinkFSFile(state, listing, rom.OpenedPath(), hooks, StatFile(outputPath).id) != 0) {
        listing.AddingFailed();
        return kExitFailed;
    }
    if (!rom.Keep()) {
        listing.OutputNotReplaced(outputPath, rom.error());
        return kExitFailed;
    }
    listing.Summary(state.totalDirs, state.totalFiles, RomSizeKB(outputPath));
    return kExitBuilt;
}

}  // namespace

int RunLindquay(const std::vector<std::string>& args, std::ostream& out, std::istream& in, const DriverHooks& hooks) {
    Listing listing(out);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "--version")) {
        if (args[0] == "--help")
            listing.Usage();
        else
            listing.Version();
        return kExitBuilt;
    }
    if (args.size() != 2) {
        listing.Usage();
        return WaitAndFail(in);
    }
    if (Build(args, listing, hooks) != kExitBuilt) return WaitAndFail(in);
    return kExitBuilt;
}

}  // namespace lindquay
