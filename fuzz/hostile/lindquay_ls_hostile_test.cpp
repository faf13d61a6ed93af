// lindquay-ls on what a hostile or unlucky user hands it: a ROM that is no file (a pipe, a device)
// an extraction onto a full volume of the test's own, and a folder of the extraction swapped for a
// link by another user sharing the folder. Each row: exit 1 at once, the message,
// and no truncated file left to pass for an item.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

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

// Another user who may write where the tree is extracted swaps a folder of it for a link to a
// tree of theirs of the same shape while lindquay-ls writes into it: no item may land there. The
// items lie 100 folders deep; the test stops lindquay-ls wherever it happens to be, swaps the
// folder for the link, lets it go on for a moment, stops it again and swaps the folder back.
TEST(LindquayLsHostile, ExtractWritesOnlyBelowDirWhileFoldersAreSwappedForLinks) {
    Sandbox box;
    const std::string root = box.path();
    ProgramFolder prog(root + "/prog", {"lindquay-ls"}, 0);
    std::string deep, deepPath;
    for (int i = 0; i < 99; ++i) deep += "\\d", deepPath += "/d";
    std::string package;
    const int items = 3000;
    for (int i = 0; i < items; ++i) package += PackageFile("\\a" + deep + "\\f" + std::to_string(i), "x");
    WriteFile(root + "/o.rom", RomWithPackage(package + PackageEnd()));
    fs::create_directories(root + "/elsewhere" + deepPath);
    fs::create_directories(root + "/tree/a" + deepPath);

    const std::string tree = root + "/tree";
    const pid_t pid = StartProgram({prog.dir + "/lindquay-ls", "extract", root + "/o.rom", tree}, root + "/err.txt");
    ASSERT_GT(pid, 0);
    const std::string a = tree + "/a", kept = tree + "/a.kept", elsewhere = root + "/elsewhere";
    int status = 0;
    const auto stopped = [&] {  // false once it has ended
        ::kill(pid, SIGSTOP);
        return ::waitpid(pid, &status, WUNTRACED) == pid && WIFSTOPPED(status);
    };
    const auto goOn = [&] {
        ::kill(pid, SIGCONT);
        std::this_thread::sleep_for(std::chrono::microseconds(300));
    };
    for (bool running = true; running;) {
        if (!(running = stopped())) break;
        const bool swapped = ::rename(a.c_str(), kept.c_str()) == 0 && ::symlink(elsewhere.c_str(), a.c_str()) == 0;
        goOn();
        running = stopped();
        if (swapped) {
            ::unlink(a.c_str());
            ::rename(kept.c_str(), a.c_str());
        }
        if (running) goOn();
    }
    ASSERT_TRUE(WIFEXITED(status));
    const std::string err = ReadFile(root + "/err.txt");

    std::size_t outside = 0, written = 0, refused = 0;
    for (const auto& entry : fs::recursive_directory_iterator(elsewhere)) outside += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(outside, 0u) << "items written through the link";
    for (const auto& entry : fs::recursive_directory_iterator(tree)) written += entry.is_regular_file() ? 1 : 0;
    for (std::size_t at = err.find("not extracted: \\a\\"); at != std::string::npos;
         at = err.find("not extracted: \\a\\", at + 1))
        ++refused;
    EXPECT_EQ(written + refused, std::size_t(items));  // every item written below DIR or reported
    EXPECT_GT(refused, 0u) << "no swap happened";
    EXPECT_NE(err.find("/tree/a is a link; nothing is written through it"), std::string::npos) << err;
    EXPECT_EQ(WEXITSTATUS(status), 1);
}
