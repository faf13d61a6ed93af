// The installed launcher (a prefix installation and the unpacked .deb) as scripts and impatient
// users start it: several first starts at once, and a script's environment that would move its
// folder elsewhere. Each row: every start succeeds, the program folder is whole, and the program
// folder used is the launcher's own.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <thread>

#include "testsupport/package.h"
#include "testsupport/run_program.h"
#include "testsupport/sandbox.h"

namespace fs = std::filesystem;
using namespace testsupport;

namespace {

const std::string kTrees[] = {PREFIX_TREE, DEB_TREE "/root/usr"};

// The template's files that a first start copies: neither programs nor the placeholder base ROM.
std::vector<std::string> SeededFiles(const std::string& tree) {
    const std::string templ = tree + "/lib/corvamo";
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(templ)) {
        const std::string rel = entry.path().lexically_relative(templ).string();
        if (entry.is_symlink() || !entry.is_regular_file() || rel == "gba/Lindquay.rom") continue;
        if (ReadFile(entry.path())
                .rfind("\x7f"
                       "ELF",
                       0) == 0)
            continue;
        files.push_back(rel);
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

// Four first starts at once, twice over: each succeeds, and .template.md5 keeps an entry for
// every file copied, so that later upgrades still reach them; no part file is left.
TEST(LauncherHostile, ConcurrentFirstStartsAllSucceed) {
    for (const std::string& tree : kTrees) {
        SCOPED_TRACE(tree);
        ASSERT_TRUE(fs::exists(tree + "/bin/lindquay")) << "no installed tree";
        const std::vector<std::string> seeded = SeededFiles(tree);
        for (int round = 0; round < 2; ++round) {
            Sandbox box;
            const std::vector<std::string> env = {"HOME=" + box / "home", "XDG_DATA_HOME=" + box / "data",
                                                  "CORVAMO_HOME=", "LINDQUAY_PROGRAM_DIR="};
            RunResult runs[4];
            std::vector<std::thread> starts;
            for (RunResult& run : runs)
                starts.emplace_back([&] { run = RunProgram({tree + "/bin/lindquay"}, box.path(), env); });
            for (std::thread& start : starts) start.join();
            for (const RunResult& run : runs) {
                EXPECT_EQ(run.exitCode, 1) << run.err;  // Lindquay's usage: the start itself went through
                EXPECT_NE(run.out.find("Usage: Lindquay"), std::string::npos) << run.out;
                EXPECT_EQ(run.err, "");
            }
            const std::string home = box / "data/Corvamo";
            std::vector<std::string> recorded;
            std::istringstream record(ReadFile(home + "/.template.md5"));
            for (std::string line; std::getline(record, line);) recorded.push_back(line.substr(34));
            std::sort(recorded.begin(), recorded.end());
            EXPECT_EQ(recorded, seeded);
            for (const std::string& rel : seeded)
                EXPECT_EQ(ReadFile(home + "/" + rel), ReadFile(tree + "/lib/corvamo/" + rel));
            std::vector<std::string> all;
            for (const auto& entry : fs::recursive_directory_iterator(home))
                if (!entry.is_directory()) all.push_back(entry.path().lexically_relative(home).string());
            EXPECT_EQ(all.size(), seeded.size() + 2) << "part files left";  // and .template.md5, gba/Lindquay
        }
    }
}

// A script of the program folder runs gba/Lindquay with a CDPATH that holds another gba/: the
// build still packs the program folder's own .shell.
TEST(LauncherHostile, ScriptsLindquayIgnoresCdpath) {
    for (const std::string& tree : kTrees) {
        SCOPED_TRACE(tree);
        Sandbox box;
        const std::vector<std::string> env = {"HOME=" + box / "home", "XDG_DATA_HOME=" + box / "data",
                                              "CORVAMO_HOME=", "LINDQUAY_PROGRAM_DIR=", "CDPATH=" + box / "elsewhere"};
        ASSERT_EQ(RunProgram({tree + "/bin/lindquay"}, box.path(), env).exitCode, 1);  // the first start
        const std::string home = box / "data/Corvamo";
        WriteFile(home + "/gba/.shell/own.txt", "the program folder's");
        WriteFile(box / "elsewhere/gba/.shell/other.txt", "another folder's");
        WriteFile(box / "fs/a.txt", "a");
        const RunResult script = RunProgram({"/bin/sh", "-c", "gba/Lindquay \"$0\" out.rom", box / "fs"}, home, env);
        ASSERT_EQ(script.exitCode, 0) << script.out << script.err;
        const Package package = ReadPackage(home + "/out.rom");
        ASSERT_TRUE(package.ok()) << package.problem;
        EXPECT_EQ(Names(package), (std::vector<std::string>{"\\.shell\\bmp", "\\.shell\\own.txt", "\\a.txt"}));
    }
}
