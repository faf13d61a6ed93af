// The real Lindquay binary, run from a temporary program folder with standard input from
// /dev/null.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

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

// The exit code of a program whose standard input stays open (a terminal nobody types into), or
// -1 when it is still waiting after 20 s (it is killed then).
int ExitWithInputOpen(const std::vector<std::string>& argv) {
    int input[2];
    if (::pipe2(input, O_CLOEXEC) != 0) return -1;
    const int pid = StartProgram(argv, {}, input[0]);
    ::close(input[0]);
    int status = 0;
    int ended = 0;
    for (int tries = 0; tries < 2000 && (ended = ::waitpid(pid, &status, WNOHANG)) == 0; ++tries)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ::close(input[1]);  // a program still waiting reads the end of its input
    if (ended == 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The toolkit's tools share one convention: --help and --version on standard output with exit 0,
// and a wrong command line with the usage on standard error and exit 2 (Lindquay keeps its own:
// banner, usage and a key on standard output, exit 1).
TEST(CommandLine, EveryToolTakesHelpAndVersion) {
    Sandbox tmp;
    ProgramFolder prog(tmp / "prog", {"Lindquay", "libmarlet.so", "glimmet", "lindquay-ls", "marlet"});
    const struct {
        std::string tool, usage;
        std::vector<std::string> wrong;
        int wrongExit;
    } tools[] = {
        {"Lindquay", kBanner, {"fs"}, 1},
        {"lindquay-ls", "usage: lindquay-ls list ROM", {"list"}, 2},
        {"marlet", "usage: marlet PAGE TEXT\n", {"page.htm"}, 2},
        {"glimmet", "usage: glimmet SOURCE /convert=TARGET\n", {"a.png"}, 2},
    };
    for (const auto& t : tools) {
        SCOPED_TRACE(t.tool);
        const std::string program = prog.dir + "/" + t.tool;
        RunResult help = RunProgram({program, "--help"}, tmp.path());
        EXPECT_EQ(help.exitCode, 0);
        EXPECT_EQ(help.out.rfind(t.usage, 0), 0u) << help.out;
        EXPECT_EQ(help.err, "");
        RunResult version = RunProgram({program, "--version"}, tmp.path());
        EXPECT_EQ(version.exitCode, 0);
        EXPECT_EQ(version.out, t.tool + " " CORVAMO_VERSION "\n");
        std::vector<std::string> argv{program};
        argv.insert(argv.end(), t.wrong.begin(), t.wrong.end());
        RunResult wrong = RunProgram(argv, tmp.path());
        EXPECT_EQ(wrong.exitCode, t.wrongExit);
        EXPECT_NE((t.wrongExit == 1 ? wrong.out : wrong.err).find(t.usage), std::string::npos) << wrong.err;
    }
    // Help and version never wait for a key, not even on an open terminal.
    EXPECT_EQ(ExitWithInputOpen({prog.lindquay, "--help"}), 0);
    EXPECT_EQ(ExitWithInputOpen({prog.lindquay, "--version"}), 0);
}

// A failed build waits for a key only after it let go of the build lock: a build of the same
// program folder meanwhile does not wait for it.
TEST(CommandLine, FailedBuildWaitsForAKeyWithoutItsLock) {
    Sandbox tmp;
    ProgramFolder prog(tmp / "prog");
    WriteFile(tmp / "fs/a.txt", "a");
    int input[2];
    ASSERT_EQ(::pipe2(input, O_CLOEXEC), 0);
    const int failed =
        StartProgram({prog.lindquay, tmp / "fs", tmp / "no/such/folder/o.rom"}, {}, input[0], tmp / "failed.txt");
    ::close(input[0]);
    ASSERT_GT(failed, 0);
    while (ReadFile(tmp / "failed.txt").find("Error!") == std::string::npos)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const RunResult next = RunProgram({prog.lindquay, tmp / "fs", tmp / "o.rom"}, tmp.path(), {}, 20);
    ::close(input[1]);
    int status = 0;
    ASSERT_EQ(::waitpid(failed, &status, 0), failed);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_FALSE(next.timedOut) << "the second build waited for the first one's key";
    EXPECT_EQ(next.exitCode, 0);
    EXPECT_EQ(next.err, "");
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
