// lindquay-ls on what a hostile or unlucky user hands it: a ROM that is no file (a pipe, a device)
// and an extraction onto a full volume of the test's own. Each row: exit 1 at once, the message,
// and no truncated file left to pass for an item.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "testsupport/mounts.h"
#include "testsupport/package.h"
#include "testsupport/program_folder.h"
#include "testsupport/run_program.h"
#include "testsupport/sandbox.h"

namespace fs = std::filesystem;
using namespace testsupport;

TEST(LindquayLsHostile, RomsThatAreNoFileAreRefusedAtOnce) {
    Sandbox box;
    const std::string root = box.path();
    ProgramFolder prog(root + "/prog", {"lindquay-ls"}, 0);
    ASSERT_EQ(::mkfifo((root + "/rom.fifo").c_str(), 0644), 0);
    const struct { std::string rom, kind; } roms[] = {{root + "/rom.fifo", "a pipe"}, {"/dev/zero", "a device"}};
    for (const auto& rom : roms) {
        for (const std::vector<std::string>& command :
             {std::vector<std::string>{"list", rom.rom}, {"verify", rom.rom}, {"extract", rom.rom, root + "/out"}}) {
            SCOPED_TRACE(command[0] + " " + rom.rom);
            std::vector<std::string> argv{prog.dir + "/lindquay-ls"};
            argv.insert(argv.end(), command.begin(), command.end());
            const RunResult run = RunProgram(argv, root, {}, 10);
            ASSERT_FALSE(run.timedOut) << "it blocked on " << rom.rom;
            EXPECT_EQ(run.exitCode, 1);
            EXPECT_NE(
                run.err.find("lindquay-ls: " + rom.rom + ": byte 0 (0x0): is " + rom.kind + ", not a regular file\n"),
                std::string::npos)
                << run.err;
        }
    }
}

TEST(LindquayLsHostile, ExtractOntoAFullVolumeLeavesNoTruncatedFile) {
    ASSERT_TRUE(HavePrivateMounts()) << "the test needs a mount namespace of its own (root with CAP_SYS_ADMIN)";
    Sandbox box;
    const std::string root = box.path();
    ProgramFolder prog(root + "/prog", {"lindquay-ls"}, 0);
    WriteFile(root + "/o.rom",
              RomWithPackage(PackageFile("\\a.txt", "a") + PackageFile("\\big.bin", Pattern(512 << 10)) +
                             PackageFile("\\c.txt", "c") + PackageEnd()));
    const TmpfsMount volume(root + "/volume", 256 << 10);
    const RunResult run = RunProgram({prog.dir + "/lindquay-ls", "extract", root + "/o.rom", root + "/volume/tree"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("lindquay-ls: not extracted: \\big.bin (byte 196882): writing failed: No space left on "
                           "device; the incomplete file was removed\n"),
              std::string::npos)
        << run.err;
    EXPECT_FALSE(fs::exists(root + "/volume/tree/big.bin"));
    EXPECT_EQ(ReadFile(root + "/volume/tree/a.txt"), "a");
    EXPECT_EQ(ReadFile(root + "/volume/tree/c.txt"), "c");  // the space came back
}
