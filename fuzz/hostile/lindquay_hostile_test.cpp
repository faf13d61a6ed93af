// Lindquay on inputs made to break it, through the real program copied into a temporary program
// folder (and, for the unlistable folder, through the driver's folder-listing seam, since root
// can list any folder). Each row: the exit code, what the user reads, the package still parses,
// and nothing changed but the output ROM and the builder's own temporary files.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <sstream>

#include <gtest/gtest.h>

#include "host.h"
#include "lindquay.h"
#include "testsupport/package.h"
#include "testsupport/pictures.h"
#include "testsupport/program_folder.h"
#include "testsupport/run_program.h"
#include "testsupport/sandbox.h"
#include "testsupport/snapshot.h"

namespace fs = std::filesystem;
using namespace testsupport;

namespace {

struct Row {
    const char* what;
    std::function<void(const std::string& root)> prepare;
    std::vector<std::string> args;  // relative to the sandbox, except absolute paths
    int exitCode;
    std::vector<std::string> said;     // pieces of the listing
    std::vector<std::string> package;  // item names, when the run gets as far as a package
    std::string output;                // the output ROM, relative to the sandbox; empty when none may appear
    bool seam = false;                 // through RunLindquay with a lister that cannot list fs/locked/
};

std::string Repeat(char c, std::size_t n) { return std::string(n, c); }

}  // namespace

TEST(LindquayHostile, EveryRowFailsCleanlyAndChangesNothingElse) {
    const std::string longFolder = Repeat('d', 150);
    const std::string longFile = Repeat('n', 144) + ".txt";  // "\" folder "\" file: 300 bytes
    const std::vector<Row> rows = {
        {"a folder that cannot be listed",
         [](const std::string& root) {
             WriteFile(root + "/fs/locked/x.txt", "x");
             WriteFile(root + "/fs/z.txt", "z");
         },
         {"fs", "out/o.rom"},
         0,
         {"ERROR: cannot list folder \\locked: Permission denied", "Error(s): 1  warning(s): 0"},
         {"\\locked", "\\z.txt"},
         "/out/o.rom",
         true},
        {"a folder loop through a link",
         [](const std::string& root) {
             WriteFile(root + "/fs/sub/a.txt", "a");
             fs::create_directory_symlink("..", root + "/fs/sub/loop");
         },
         {"fs", "out/o.rom"},
         0,
         {"\\sub\\loop\nERROR: folder is its own ancestor through a link", "Error(s): 1"},
         {"\\sub", "\\sub\\a.txt"},
         "/out/o.rom"},
        {"a 300-byte name",
         [&](const std::string& root) { WriteFile(root + "/fs/" + longFolder + "/" + longFile, "x"); },
         {"fs", "out/o.rom"},
         0,
         {"ERROR: name longer than 259 bytes", " - 0 [[[ Error ]]]", "Error(s): 1"},
         {"\\" + longFolder},
         "/out/o.rom"},
        {"a sparse file of 4 GiB",
         [](const std::string& root) {
             WriteFile(root + "/fs/huge.bin", "");
             fs::resize_file(root + "/fs/huge.bin", std::uintmax_t{1} << 32);
             WriteFile(root + "/fs/small.txt", "s");
         },
         {"fs", "out/o.rom"},
         0,
         {"ERROR: file of 4 GiB or more cannot be packed", "Error(s): 1"},
         {"\\small.txt"},
         "/out/o.rom"},
        {"a sparse BMP whose picture16 would pass 4 GiB",
         [](const std::string& root) {
             // 65,532 x 65,535 pixels of 24 bits: a 12.9 GB file that takes no disk space.
             const std::uint32_t width = 65532, height = 65535, row = width * 3;
             WriteFile(root + "/fs/big.bmp", BmpHeader(width, height, 24));
             fs::resize_file(root + "/fs/big.bmp", 54 + std::uintmax_t{row} * height);
             WriteFile(root + "/fs/small.txt", "s");
         },
         {"fs", "out/o.rom"},
         0,
         {"\\big.bmp", "its picture16 would be 4 GiB or more", "Error(s): 1"},
         {"\\small.txt"},
         "/out/o.rom"},
        {"the output ROM inside FSDir",
         [](const std::string& root) { WriteFile(root + "/fs/a.txt", "a"); },
         {"fs", "fs/o.rom"},
         0,
         {"\\o.rom", "<WARNING> the output ROM is not packed into itself", "Error(s): 0  warning(s): 1"},
         {"\\a.txt"},
         "/fs/o.rom"},
        {"output on /dev/full",
         [](const std::string& root) { WriteFile(root + "/fs/a.txt", "a"); },
         {"fs", "/dev/full"},
         1,
         {"Generate Base Rom ... Error!\n"},
         {},
         ""},
        {"a base ROM that is a folder",
         [](const std::string& root) {
             WriteFile(root + "/fs/a.txt", "a");
             fs::remove(root + "/prog/Lindquay.rom");
             fs::create_directory(root + "/prog/Lindquay.rom");
         },
         {"fs", "out/o.rom"},
         1,
         {"Generate Base Rom ... Error!\n"},
         {},
         ""},
    };

    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Sandbox box;
        const std::string root = box.path();
        ProgramFolder prog(root + "/prog", {"Lindquay", "libmarlet.so", "Lindquay.rom"}, 0);
        fs::create_directories(root + "/out");
        row.prepare(root);
        const Snapshot before = Snap(root);

        std::vector<std::string> args;
        for (const std::string& a : row.args) args.push_back(a.front() == '/' ? a : root + "/" + a);
        int exitCode = -1;
        std::string said;
        if (row.seam) {
            lindquay::DriverHooks hooks;
            hooks.programPath = root + "/prog/Lindquay";
            hooks.lister = [&](const std::string& path) {
                if (path == root + "/fs/locked/") return lindquay::FolderListing{EACCES, {}, {}, {}};
                return lindquay::ListFolder(path);
            };
            std::ostringstream out;
            std::istringstream in;
            exitCode = lindquay::RunLindquay(args, out, in, hooks);
            said = out.str();
        } else {
            std::vector<std::string> argv{root + "/prog/Lindquay"};
            argv.insert(argv.end(), args.begin(), args.end());
            const RunResult run = RunProgram(argv, root);
            ASSERT_FALSE(run.timedOut);
            exitCode = run.exitCode;
            said = run.out + run.err;
        }
        EXPECT_EQ(exitCode, row.exitCode) << said;
        for (const std::string& piece : row.said)
            EXPECT_NE(said.find(piece), std::string::npos) << piece << "\n" << said;
        if (!row.output.empty()) {
            const Package package = ReadPackage(root + row.output);
            EXPECT_TRUE(package.ok()) << package.problem;
            EXPECT_EQ(Names(package), row.package);
            EXPECT_LT(fs::file_size(root + row.output), std::uintmax_t{1} << 20);
        }

        EXPECT_FALSE(fs::exists(root + "/prog/transFile.jpg")) << "a converted picture was left behind";
        std::vector<std::string> allowed{"/prog/tmp.htm", "/prog/tmp.bmp", "/prog/transFile.jpg"};
        if (!row.output.empty()) allowed.push_back(row.output);
        EXPECT_EQ(Changes(before, Snap(root), allowed), std::vector<std::string>{});
        struct stat st {};
        EXPECT_TRUE(::stat("/dev/full", &st) == 0 && S_ISCHR(st.st_mode)) << "/dev/full is no longer a device";
    }
}
