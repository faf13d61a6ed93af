// The real Lindquay binary, run from a temporary program folder with standard input from
// /dev/null.
#include <gtest/gtest.h>

#include <filesystem>

#include "testsupport/program_folder.h"
#include "testsupport/run_program.h"
#include "testsupport/sandbox.h"

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

const std::string kBanner =
    "REDOZ Vud Ovivi Command Line Program 2.0\n"
    "Corvamo skin toolkit: Lindquay, the loader ROM builder of the Corvamo project\n"
    "\nUsage: Lindquay [FSDir] [OutputRomFile]\n\n";

TEST(CommandLine, WrongArgumentCountsShowTheUsage) {
    Sandbox tmp;
    ProgramFolder prog(tmp / "prog");
    const std::vector<std::vector<std::string>> cases = {{}, {"fs"}, {"fs", "out.rom", "extra"}};
    for (const auto& extra : cases) {
        std::vector<std::string> argv{prog.lindquay};
        argv.insert(argv.end(), extra.begin(), extra.end());
        RunResult r = RunProgram(argv, tmp.path());
        EXPECT_EQ(r.exitCode, 1) << extra.size();
        EXPECT_EQ(r.out, kBanner);
    }
    EXPECT_FALSE(fs::exists(tmp / "out.rom"));
}

TEST(CommandLine, GoldenBuildThroughTheBinary) {
    Sandbox tmp;
    ProgramFolder prog(tmp / "prog");
    WriteFile(tmp / "fs/a.txt", "abc");
    RunResult r = RunProgram({prog.lindquay, "fs", "out.rom"}, tmp.path());  // relative to the current folder
    EXPECT_EQ(r.exitCode, 0);
    const std::string golden = std::string(BUILDER_TEST_DATA) + "/abc";
    EXPECT_EQ(r.out, ReadFile(golden + ".listing"));
    const std::string out = ReadFile(tmp / "out.rom");
    ASSERT_EQ(out.size(), 197156u);
    EXPECT_EQ(out.substr(0, 1000), ReadFile(prog.baseRom));
    EXPECT_EQ(out.substr(0x30000), ReadFile(golden + ".pkg"));
}

TEST(CommandLine, MissingBaseRomStopsTheBuild) {
    Sandbox tmp;
    ProgramFolder prog(tmp / "prog");
    fs::remove(prog.baseRom);
    fs::create_directories(tmp / "fs");
    RunResult r = RunProgram({prog.lindquay, "fs", "out.rom"}, tmp.path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "Generate Base Rom ... Error!\n");
    EXPECT_FALSE(fs::exists(tmp / "out.rom"));
}

TEST(CommandLine, OutputOverTheBaseRomItselfIsRefused) {
    Sandbox tmp;
    ProgramFolder prog(tmp / "prog");
    const std::string base = ReadFile(prog.baseRom);
    RunResult r = RunProgram({prog.lindquay, "fs", prog.baseRom}, tmp.path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "Generate Base Rom ... Error!\n");
    EXPECT_EQ(ReadFile(prog.baseRom), base);
}

TEST(CommandLine, EmptyFsDirIsInvalid) {
    Sandbox tmp;
    ProgramFolder prog(tmp / "prog");
    RunResult r = RunProgram({prog.lindquay, "", "out.rom"}, tmp.path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "\nError: Specifiled [FSDir: ] is invalid!\n\n");
}

TEST(CommandLine, EntryErrorsStillExitWithZero) {
    Sandbox tmp;
    ProgramFolder prog(tmp / "prog");
    WriteFile(tmp / "fs/ok.txt", "ok");
    fs::create_symlink(tmp / "missing", tmp / "fs/dangling");
    RunResult r = RunProgram({prog.lindquay, tmp / "fs", tmp / "out.rom"}, tmp.path());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("Error(s): 1  warning(s): 0\n"), std::string::npos);
}

}  // namespace
