// Lindquay on inputs made to break it, through the real program copied into a temporary program
// folder (and, for the unlistable folder, through the driver's folder-listing seam, since root
// can list any folder). Each row: the exit code, what the user reads, the package still parses
// and ends the file, and nothing changed but the output ROM and the builder's own temporary files
// (nothing at all when the build was refused).
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "host.h"
#include "lindquay.h"
#include "testsupport/mounts.h"
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
    std::vector<std::string> notSaid = {};
    std::vector<std::string> env = {};  // NAME=VALUE, ROOT standing for the sandbox
};

std::string Repeat(char c, std::size_t n) { return std::string(n, c); }

// Up to `size` bytes of a file from `at` on.
std::string ReadAt(const std::string& path, std::uint64_t at, std::size_t size) {
    std::string bytes(size, '\0');
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const ssize_t n = fd < 0 ? 0 : ::pread(fd, bytes.data(), size, static_cast<off_t>(at));
    if (fd >= 0) ::close(fd);
    bytes.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return bytes;
}

std::string WithRoot(std::string text, const std::string& root) {
    for (std::size_t at = text.find("ROOT"); at != std::string::npos; at = text.find("ROOT", at + root.size()))
        text.replace(at, 4, root);
    return text;
}

// The programs of every row's program folder; a row may name one of them as its output.
const std::vector<std::string> kPrograms = {"Lindquay", "libmarlet.so", "Lindquay.rom", "glimmet"};
const std::vector<std::string> kTemporaries = {"/prog/tmp.htm", "/prog/tmp.bmp", "/prog/transFile.jpg",
                                               "/prog/Lindquay.lock"};

}  // namespace

TEST(LindquayHostile, EveryRowFailsCleanlyAndChangesNothingElse) {
    ::umask(022);
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
        {"the output ROM inside FSDir, from an earlier build",
         [](const std::string& root) {
             WriteFile(root + "/fs/a.txt", "a");
             WriteFile(root + "/fs/o.rom", "the previous ROM");
         },
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
        {"names holding the package's separator",
         [](const std::string& root) {
             WriteFile(root + "/fs/..\\evil.txt", "would read as a file above the package");
             WriteFile(root + "/fs/d\\e/f.txt", "would read as folder d");
             WriteFile(root + "/fs/ok.txt", "ok");
         },
         {"fs", "out/o.rom"},
         0,
         {"ERROR: name holds a \"\\\", the package's folder separator\n",
          "ERROR: name holds a \"\\\", the package's folder separator; folder not packed\n",
          "Error(s): 2  warning(s): 0"},
         {"\\ok.txt"},
         "/out/o.rom"},
        {"an FSDir holding its own .shell folder next to the program's",
         [](const std::string& root) {
             WriteFile(root + "/prog/.shell/a.txt", "a");
             WriteFile(root + "/fs/.shell/a.txt", "another a");
             WriteFile(root + "/fs/.shell/b.txt", "b");
             WriteFile(root + "/fs/z.txt", "z");
         },
         {"fs", "out/o.rom"},
         0,
         {"[DIR] : \\.shell\nERROR: the name is used already in the package; folder not packed\n - !!! Error !!!\n",
          "Error(s): 1  warning(s): 0"},
         {"\\.shell\\a.txt", "\\z.txt"},
         "/out/o.rom"},
        {"the output is the program folder's tmp.htm",
         [](const std::string& root) {
             WriteFile(root + "/prog/tmp.htm", "the last page's text");
             WriteFile(root + "/fs/page.htm", "<body>page");
         },
         {"fs", "prog/tmp.htm"},
         1,
         {"Error: [OutputRomFile: ROOT/prog/tmp.htm] is Lindquay's own file ROOT/prog/tmp.htm; nothing was written"},
         {},
         ""},
        {"the output is libmarlet.so through a link",
         [](const std::string& root) {
             WriteFile(root + "/fs/a.txt", "a");
             fs::create_symlink("../prog/libmarlet.so", root + "/out/link.rom");
         },
         {"fs", "out/link.rom"},
         1,
         {"is Lindquay's own file ROOT/prog/libmarlet.so; nothing was written"},
         {},
         ""},
        {"the output is the program folder's transFile.jpg through .., before it exists",
         [](const std::string& root) {
             WriteFile(root + "/fs/pic.bmp", MakeBmp(2, 2, 24, {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}}));
         },
         {"fs", "out/../prog/transFile.jpg"},
         1,
         {"is Lindquay's own file ROOT/prog/transFile.jpg; nothing was written"},
         {},
         ""},
        {"the output is glimmet",
         [](const std::string& root) { WriteFile(root + "/fs/a.txt", "a"); },
         {"fs", "prog/glimmet"},
         1,
         {"is Lindquay's own file ROOT/prog/glimmet; nothing was written"},
         {},
         ""},
        {"the output is the user's program folder's tmp.bmp (LINDQUAY_PROGRAM_DIR)",
         [](const std::string& root) {
             WriteFile(root + "/user/tmp.bmp", "the last picture");
             WriteFile(root + "/fs/a.txt", "a");
         },
         {"fs", "user/tmp.bmp"},
         1,
         {"is Lindquay's own file ROOT/user/tmp.bmp; nothing was written"},
         {},
         "",
         false,
         {},
         {"LINDQUAY_PROGRAM_DIR=ROOT/user"}},
        {"FSDir holds the program folder and its temporary files",
         [](const std::string& root) {
             WriteFile(root + "/prog/page.htm", "<body>page");
             WriteFile(root + "/prog/tmp.bmp", "the last picture");
             WriteFile(root + "/prog/tmp.htm", "the last page's text");
         },
         {".", "out/o.rom"},
         0,
         {"\\prog\\tmp.bmp" + Repeat(' ', 39) + " - 0  <WARNING> Lindquay's own file is not packed\n",
          "\\prog\\tmp.htm" + Repeat(' ', 39) + " - 0  <WARNING> Lindquay's own file is not packed\n",
          "Error(s): 0  warning(s): 3"},
         {"\\out", "\\prog", "\\prog\\Lindquay", "\\prog\\Lindquay.rom", "\\prog\\glimmet", "\\prog\\libmarlet.so",
          "\\prog\\page.htm"},
         "/out/o.rom"},
        {"links planted as tmp.htm and transFile.jpg",
         [](const std::string& root) {
             WriteFile(root + "/victim.txt", "not Lindquay's");
             fs::create_symlink("../victim.txt", root + "/prog/tmp.htm");
             fs::create_symlink("../victim.txt", root + "/prog/transFile.jpg");
             WriteFile(root + "/fs/page.htm", "<body>page");
             WriteFile(root + "/fs/pic.bmp", MakeBmp(1, 1, 24, {{1, 2, 3}}));
         },
         {"fs", "out/o.rom"},
         0,
         {"Error(s): 0  warning(s): 0"},
         {"\\page.htm", "\\pic.bmp"},
         "/out/o.rom"},
        {"a base ROM longer than the package keeps its tail",
         [](const std::string& root) {
             WriteFile(root + "/prog/Lindquay.rom", Pattern(300000, 5));
             WriteFile(root + "/fs/a.txt", "a");
         },
         {"fs", "out/o.rom"},
         0,
         {"RomFile Size: 292 KB"},
         {"\\a.txt"},
         "/out/o.rom"},
        {"names with control bytes",
         [](const std::string& root) {
             WriteFile(root + "/fs/evil\x1b]0;owned\x07.txt", "e");
             WriteFile(root + "/fs/line\nERROR: forged\r/x", "x");
         },
         {"fs", "out/o.rom"},
         0,
         {"[DIR] : \\line\\x0AERROR: forged\\x0D\n", "\\evil\\x1B]0;owned\\x07.txt", "Error(s): 0"},
         {"\\line\nERROR: forged\r", "\\line\nERROR: forged\r\\x", "\\evil\x1b]0;owned\x07.txt"},
         "/out/o.rom",
         false,
         {"\x1b", "\x07", "\nERROR: forged"}},
        {"a package that would pass 4 GiB fails and keeps the previous ROM",
         [](const std::string& root) {
             WriteFile(root + "/out/o.rom", "the previous ROM");
             WriteFile(root + "/fs/a.txt", "a");
             WriteFile(root + "/fs/big.bin", "");
             fs::resize_file(root + "/fs/big.bin", 0xFFFF0000u);  // sparse, under the 4 GiB of one file
             WriteFile(root + "/fs/c.txt", "c");
         },
         {"fs", "out/o.rom"},
         1,
         {"\\big.bin", "ERROR: the package would pass 4 GiB; nothing more is packed\n - 0 [[[ Error ]]]\n",
          "Error occured while Adding Source Files to Package!!!"},
         {},
         "",
         false,
         {"\\c.txt"}},
        {"a link at the output's name is replaced, not written through",
         [](const std::string& root) {
             WriteFile(root + "/victim.rom", "the victim's file");
             fs::permissions(root + "/victim.rom", fs::perms::owner_read | fs::perms::owner_write);
             fs::permissions(root + "/prog/Lindquay.rom", fs::perms::owner_all);
             fs::create_symlink("../victim.rom", root + "/out/o.rom");
             WriteFile(root + "/fs/a.txt", "a");
         },
         {"fs", "out/o.rom"},
         0,
         {"Error(s): 0  warning(s): 0"},
         {"\\a.txt"},
         "/out/o.rom"},
        {"a sparse base ROM of 2 GiB is copied without its holes",
         [](const std::string& root) {
             const std::string base = root + "/prog/Lindquay.rom";
             WriteFile(base, Pattern(1000, 5));
             fs::resize_file(base, std::uintmax_t{2} << 30);
             const int fd = ::open(base.c_str(), O_WRONLY | O_CLOEXEC);
             ASSERT_EQ(::pwrite(fd, "the tail", 8, (std::int64_t{2} << 30) - 8), 8);
             ::close(fd);
             WriteFile(root + "/fs/a.txt", "a");
         },
         {"fs", "out/o.rom"},
         0,
         {"RomFile Size: 2097152 KB"},
         {"\\a.txt"},
         "/out/o.rom"},
        {"links to pseudo file systems",
         [](const std::string& root) {
             fs::create_directories(root + "/fs");
             fs::create_directory_symlink("/proc", root + "/fs/proc");
             fs::create_directory_symlink("/sys", root + "/fs/sys");
             fs::create_directory_symlink("/dev/pts", root + "/fs/pts");
             WriteFile(root + "/fs/a.txt", "a");
         },
         {"fs", "out/o.rom"},
         0,
         {"[DIR] : \\proc\nWARNING: a pseudo file system (proc); not packed\n",
          "[DIR] : \\sys\nWARNING: a pseudo file system (sysfs); not packed\n",
          "[DIR] : \\pts\nWARNING: a pseudo file system (devpts); not packed\n", "Error(s): 0  warning(s): 3"},
         {"\\a.txt"},
         "/out/o.rom"},
        {"/proc as FSDir",
         [](const std::string&) {},
         {"/proc", "out/o.rom"},
         0,
         {"WARNING: FSDir /proc/ is a pseudo file system (proc); nothing packed from it\n",
          "Error(s): 0  warning(s): 1"},
         {},
         "/out/o.rom"},
    };

    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Sandbox box;
        const std::string root = box.path();
        ProgramFolder prog(root + "/prog", kPrograms, 0);
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
            std::vector<std::string> env;
            for (const std::string& e : row.env) env.push_back(WithRoot(e, root));
            const RunResult run = RunProgram(argv, root, env);
            ASSERT_FALSE(run.timedOut);
            exitCode = run.exitCode;
            said = run.out + run.err;
        }
        EXPECT_EQ(exitCode, row.exitCode) << said;
        for (const std::string& piece : row.said)
            EXPECT_NE(said.find(WithRoot(piece, root)), std::string::npos) << piece << "\n" << said;
        for (const std::string& piece : row.notSaid) EXPECT_EQ(said.find(piece), std::string::npos) << piece;
        if (!row.output.empty()) {
            const std::string output = root + row.output;
            const Package package = ReadPackage(output);
            EXPECT_TRUE(package.ok()) << package.problem;
            EXPECT_EQ(Names(package), row.package);
            // The base ROM before the package and past its end record; nothing else.
            const std::string base = root + "/prog/Lindquay.rom";
            const std::uint64_t baseSize = fs::file_size(base);
            EXPECT_EQ(fs::file_size(output), std::max(package.end, baseSize)) << "the base ROM's tail was not kept";
            const std::string head = ReadAt(base, 0, 0x30000);
            EXPECT_EQ(ReadAt(output, 0, head.size()), head);
            for (const std::uint64_t at :
                 {package.end, std::max(package.end, baseSize - std::min<std::uint64_t>(baseSize, 4096))})
                EXPECT_EQ(ReadAt(output, at, 1 << 20), ReadAt(base, at, 1 << 20)) << "at byte " << at;
            struct stat st {};
            ASSERT_EQ(::lstat(output.c_str(), &st), 0);
            EXPECT_TRUE(S_ISREG(st.st_mode)) << "the output is not a file of its own";
            EXPECT_EQ(st.st_mode & 07777, 0644u) << "not the user's file mode (umask 022)";
            EXPECT_LT(st.st_blocks * 512, std::int64_t{64} << 20) << "the base ROM's holes were written";
        }

        EXPECT_FALSE(fs::exists(fs::symlink_status(root + "/prog/transFile.jpg"))) << "a converted picture was left";
        // A refused build changes nothing; the lock stays for the next run.
        std::vector<std::string> allowed{"/prog/Lindquay.lock"};
        if (exitCode != 1 || !row.output.empty()) allowed = kTemporaries;
        if (!row.output.empty()) allowed.push_back(row.output);
        EXPECT_EQ(Changes(before, Snap(root), allowed), std::vector<std::string>{});
        struct stat st {};
        EXPECT_TRUE(::stat("/dev/full", &st) == 0 && S_ISCHR(st.st_mode)) << "/dev/full is no longer a device";
    }
}

// Two builds from one program folder share its temporary files: the second waits for the first
// and says so, and neither packs the other's conversion.
TEST(LindquayHostile, TwoRunsFromOneProgramFolderTakeTurns) {
    Sandbox box;
    const std::string root = box.path();
    ProgramFolder prog(root + "/prog", kPrograms, 0);
    const auto text = [](int run, int page) {
        std::string words;
        while (words.size() < 4000) words += "run" + std::to_string(run) + " page" + std::to_string(page) + " ";
        return words;
    };
    for (int run = 0; run < 2; ++run) {
        for (int page = 0; page < 100; ++page)
            WriteFile(root + "/fs" + std::to_string(run) + "/p" + std::to_string(100 + page) + ".htm",
                      "<body>" + text(run, page));
        WriteFile(root + "/fs" + std::to_string(run) + "/pic.bmp", MakeBmp(1, 1, 24, {{Rgb{std::uint8_t(run), 0, 0}}}));
    }
    const auto build = [&](int run) {
        return RunProgram(
            {prog.lindquay, root + "/fs" + std::to_string(run), root + "/o" + std::to_string(run) + ".rom"}, root);
    };

    {  // another build holds the lock for a while
        const int lock = ::open((prog.dir + "/Lindquay.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        ASSERT_GE(lock, 0);
        ASSERT_EQ(::flock(lock, LOCK_EX), 0);
        std::thread release([lock] {
            std::this_thread::sleep_for(std::chrono::milliseconds(1500));
            ::close(lock);
        });
        const RunResult waited = build(0);
        release.join();
        EXPECT_EQ(waited.exitCode, 0) << waited.out << waited.err;
        const std::string said = "Lindquay: waiting for another build in " + prog.dir + "/ to finish\n";
        EXPECT_EQ(waited.err, said);
    }

    RunResult runs[2];
    std::thread first([&] { runs[0] = build(0); });
    runs[1] = build(1);
    first.join();
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        EXPECT_EQ(runs[run].exitCode, 0);
        EXPECT_NE(runs[run].out.find("Error(s): 0  warning(s): 0"), std::string::npos) << runs[run].out;
        const Package package = ReadPackage(root + "/o" + std::to_string(run) + ".rom");
        ASSERT_TRUE(package.ok()) << package.problem;
        ASSERT_EQ(package.items.size(), 101u);
        for (int page = 0; page < 100; ++page) EXPECT_EQ(package.items[page].data, text(run, page)) << page;
        EXPECT_EQ(package.items[100].data, Picture16(1, 1, {{Rgb{std::uint8_t(run), 0, 0}}}));
    }
}

// The previous ROM stays whole until a build has run to its end: a build killed mid-way (while
// glimmet converts a picture) and one that fills the disk leave it as it was, and no partial file
// beside it.
TEST(LindquayHostile, KilledOrFailedBuildKeepsThePreviousRom) {
    ASSERT_TRUE(HavePrivateMounts()) << "the test needs a mount namespace of its own (root with CAP_SYS_ADMIN)";
    const std::string previous = "the previous ROM, " + Pattern(300000, 9);
    for (const bool killed : {true, false}) {
        SCOPED_TRACE(killed ? "kill -9 during the build" : "a full disk");
        Sandbox box;
        const std::string root = box.path();
        ProgramFolder prog(root + "/prog", kPrograms, 0);
        const TmpfsMount volume(root + "/out", 1 << 20);
        WriteFile(root + "/out/o.rom", previous);
        WriteFile(root + "/fs/a.txt", "a");
        if (killed) {
            // A glimmet that tells its parent's id and waits: the build is then mid-way.
            fs::remove(prog.dir + "/glimmet");
            WriteFile(prog.dir + "/glimmet", "#!/bin/sh\necho $PPID $$ >" + root + "/pids.new\nmv " + root +
                                                 "/pids.new " + root + "/pids\nexec sleep 600\n");
            fs::permissions(prog.dir + "/glimmet", fs::perms::owner_all);
            WriteFile(root + "/fs/z.png", "a picture");
        } else {
            WriteFile(root + "/fs/big.bin", Pattern(2 << 20));
        }
        RunResult run;
        std::thread build([&] { run = RunProgram({prog.lindquay, root + "/fs", root + "/out/o.rom"}, root); });
        if (killed) {
            while (!fs::exists(root + "/pids")) std::this_thread::sleep_for(std::chrono::milliseconds(20));
            std::istringstream pids(ReadFile(root + "/pids"));
            pid_t lindquay = 0, glimmet = 0;
            pids >> lindquay >> glimmet;
            ASSERT_EQ(::kill(lindquay, SIGKILL), 0);
            ::kill(glimmet, SIGKILL);
        }
        build.join();
        if (killed) {
            EXPECT_EQ(run.signal, SIGKILL);
        } else {
            EXPECT_EQ(run.exitCode, 1);
            EXPECT_NE(run.out.find("LinkFSFile: write(newRom) Error!\n"), std::string::npos) << run.out;
        }
        EXPECT_EQ(ReadFile(root + "/out/o.rom"), previous);
        std::vector<std::string> left;
        for (const auto& entry : fs::directory_iterator(root + "/out")) left.push_back(entry.path().filename());
        EXPECT_EQ(left, std::vector<std::string>{"o.rom"});
    }
}
