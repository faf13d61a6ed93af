// glimmet, the picture converter beside Lindquay, on pictures made to break it: run on its own
// as Lindquay starts it (glimmet SOURCE /convert=TARGET), and through Lindquay on a folder that
// holds the picture. Each row: the exit code and message, no bitmap left behind, no more than
// modest memory, the build goes on with the entry counted as an error, and nothing outside the
// program folder and output ROM changed. Then targets it may not replace, among them a full and
// a read-only volume of the test's own, and a glimmet killed while it decodes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>

#include "testsupport/mounts.h"
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
    std::string bytes;
    std::string said;  // glimmet's message, "SOURCE" standing for the picture's path
};

std::string Be16(unsigned v) { return {char(v >> 8), char(v)}; }
std::string Be32(std::uint32_t v) { return Be16(v >> 16) + Be16(v & 0xFFFF); }

// A 200 x 200 one-bit PSD whose run-length rows are cut off halfway: FreeImage's decoder writes
// past its row and crashes.
std::string DamagedPsd() {
    std::string psd = "8BPS" + Be16(1) + std::string(6, '\0') + Be16(1) + Be32(200) + Be32(200) + Be16(1) + Be16(0);
    psd += Be32(0) + Be32(0) + Be32(0) + Be16(1);  // no colour data, resources or layers; RLE
    for (int row = 0; row < 200; ++row) psd += Be16(4);
    for (int row = 0; row < 200; ++row) psd += "\x81\x55\xB9\x55";  // 128 and 72 bytes of 0x55
    return psd.substr(0, psd.size() / 2);
}

// A GIF whose logical screen is 65,535 x 65,535 pixels: its decoder allocates all of them.
std::string HugeGif() {
    std::string gif = "GIF89a" + Le32Bytes(0xFFFFFFFF) + std::string("\x80\0\0", 3) + std::string(6, '\0');
    gif += "," + std::string(4, '\0') + Le32Bytes(0xFFFFFFFF) + std::string("\0\x08\x02\x4c\x01\0;", 8);
    return gif;
}

}  // namespace

TEST(GlimmetHostile, EveryRowFailsCleanlyAndChangesNothingElse) {
    const std::string good = MakePng(64, 48);
    const std::vector<Row> rows = {
        {"a truncated PNG", good.substr(0, good.size() / 2), "glimmet: cannot read SOURCE"},
        {"a 0-byte file", "", "glimmet: cannot read SOURCE"},
        {"a 40,000 x 40,000 PNG header", MakePng(40000, 40000, false), "glimmet: cannot read SOURCE"},
        {"a 54-byte BMP header of 20,000 x 20,000 pixels", BmpHeader(20000, 20000, 24),
         "glimmet: SOURCE: 20000 x 20000 pixels is over the limit of 67108864 (64 Mi) pixels"},
        {"a GIF of 65,535 x 65,535 pixels", HugeGif(),
         "glimmet: SOURCE: 65535 x 65535 pixels is over the limit of 67108864 (64 Mi) pixels"},
        {"a truncated PSD that crashes its decoder", DamagedPsd(),
         "glimmet: damaged picture: SOURCE (its decoder ended with "},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Sandbox box;
        const std::string root = box.path();
        ProgramFolder prog(root + "/prog", {"Lindquay", "libmarlet.so", "Lindquay.rom", "glimmet"}, 0);
        fs::create_directories(root + "/out");
        WriteFile(root + "/fs/pic.png", row.bytes);  // glimmet goes by the bytes, not by the name
        WriteFile(root + "/fs/after.txt", "after");
        const Snapshot before = Snap(root);

        // On its own, as Lindquay starts it: folder prog, the bitmap at prog/tmp.bmp.
        const std::string source = root + "/fs/pic.png";
        const RunResult alone =
            RunProgram({root + "/prog/glimmet", source, "/convert=" + root + "/prog/tmp.bmp"}, root + "/prog", {}, 120);
        ASSERT_FALSE(alone.timedOut);
        EXPECT_EQ(alone.exitCode, 1);
        std::string said = row.said;
        said.replace(said.find("SOURCE"), 6, source);
        EXPECT_NE(alone.err.find(said), std::string::npos) << alone.err;
        EXPECT_FALSE(fs::exists(root + "/prog/tmp.bmp"));
        EXPECT_LT(alone.maxRssKb, 1 << 20) << "glimmet used a gigabyte or more";

        // Through Lindquay: the picture's entry fails, the build goes on to the next file.
        const RunResult build = RunProgram({root + "/prog/Lindquay", root + "/fs", root + "/out/o.rom"}, root, {}, 120);
        ASSERT_FALSE(build.timedOut);
        EXPECT_EQ(build.exitCode, 0) << build.out;
        EXPECT_NE(build.out.find("\\pic.png"), std::string::npos) << build.out;
        EXPECT_NE(build.out.find(" - 0 [[[ Error ]]]"), std::string::npos) << build.out;
        EXPECT_NE(build.out.find("\\after.txt"), std::string::npos) << build.out;
        EXPECT_NE(build.out.find("Error(s): 1  warning(s): 0"), std::string::npos) << build.out;
        EXPECT_FALSE(fs::exists(root + "/prog/transFile.jpg"));

        EXPECT_EQ(Changes(before, Snap(root), {"/out/o.rom", "/prog/tmp.bmp", "/prog/Lindquay.lock"}),
                  std::vector<std::string>{});
    }
}

// Targets that are no place for a bitmap, or that it may not replace, and a full disk: refused or
// failed with a message, and left as they were; no file of glimmet's own is left beside them.
TEST(GlimmetHostile, TargetsItMayNotReplaceAreLeftAlone) {
    ASSERT_TRUE(HavePrivateMounts()) << "the test needs a mount namespace of its own (root with CAP_SYS_ADMIN)";
    using Volume = std::unique_ptr<TmpfsMount>;
    const struct {
        const char* what;
        // Makes the target (and the volume it lies on) and gives its path.
        std::function<std::string(const std::string& root, Volume& volume)> prepare;
        std::string said;  // TARGET standing for its path
    } rows[] = {
        {"a folder",
         [](const std::string& root, Volume&) {
             fs::create_directory(root + "/target.bmp");
             return root + "/target.bmp";
         },
         "glimmet: TARGET is not a regular file; it is left alone\n"},
        {"a pipe",
         [](const std::string& root, Volume&) {
             ::mkfifo((root + "/target.bmp").c_str(), 0644);
             return root + "/target.bmp";
         },
         "glimmet: TARGET is not a regular file; it is left alone\n"},
        {"a device", [](const std::string&, Volume&) { return std::string("/dev/null"); },
         "glimmet: TARGET is not a regular file; it is left alone\n"},
        {"a file on a read-only volume",
         [](const std::string& root, Volume& volume) {
             volume = std::make_unique<TmpfsMount>(root + "/volume", 1 << 20);
             WriteFile(root + "/volume/target.bmp", "the old bitmap");
             volume->MakeReadOnly();
             return root + "/volume/target.bmp";
         },
         "glimmet: TARGET may not be replaced: Read-only file system; it is left alone\n"},
        {"a file on a full disk",
         [](const std::string& root, Volume& volume) {
             volume = std::make_unique<TmpfsMount>(root + "/volume", 256 << 10);
             WriteFile(root + "/volume/target.bmp", "the old bitmap");
             volume->Fill();
             return root + "/volume/target.bmp";
         },
         "glimmet: cannot write TARGET: No space left on device\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Sandbox box;
        const std::string root = box.path();
        ProgramFolder prog(root + "/prog", {"glimmet"}, 0);
        WriteFile(root + "/pic.png", MakePng(256, 256));
        Volume volume;
        const std::string target = row.prepare(root, volume);
        const Snapshot before = Snap(root);
        const RunResult run =
            RunProgram({prog.dir + "/glimmet", root + "/pic.png", "/convert=" + target}, root, {}, 20);
        ASSERT_FALSE(run.timedOut);
        EXPECT_EQ(run.exitCode, 1);
        std::string said = row.said;
        said.replace(said.find("TARGET"), 6, target);
        EXPECT_EQ(run.err, said);
        EXPECT_EQ(Changes(before, Snap(root)), std::vector<std::string>{});
        struct stat st {};
        EXPECT_TRUE(::stat("/dev/null", &st) == 0 && S_ISCHR(st.st_mode)) << "/dev/null is no longer a device";
    }
}

// A glimmet killed while its child decodes (a pipe as the picture, which never ends) takes the
// child with it and leaves no file of its own beside the target.
TEST(GlimmetHostile, KilledGlimmetEndsItsDecoderAndLeavesNoFile) {
    const auto alive = [](pid_t pid) {  // running, not a zombie left for its new parent to reap
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string pidField, name, state;
        return stat >> pidField >> name >> state && state != "Z" && state != "X";
    };
    for (const int signal : {SIGKILL, SIGTERM}) {
        SCOPED_TRACE(strsignal(signal));
        Sandbox box;
        const std::string root = box.path();
        ProgramFolder prog(root + "/prog", {"glimmet"}, 0);
        ASSERT_EQ(::mkfifo((root + "/pic.png").c_str(), 0644), 0);
        const int writer = ::open((root + "/pic.png").c_str(), O_RDWR | O_CLOEXEC);  // a picture that never ends
        WriteFile(root + "/out/target.bmp", "the old bitmap");
        const pid_t glimmet =
            StartProgram({prog.dir + "/glimmet", root + "/pic.png", "/convert=" + root + "/out/target.bmp"});
        ASSERT_GT(glimmet, 0);
        pid_t decoder = 0;
        for (int tries = 0; decoder == 0 && tries < 2000; ++tries) {
            std::ifstream children("/proc/" + std::to_string(glimmet) + "/task/" + std::to_string(glimmet) +
                                   "/children");
            if (!(children >> decoder)) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ASSERT_GT(decoder, 0) << "no decoding child";
        ASSERT_EQ(::kill(glimmet, signal), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(glimmet, &status, 0), glimmet);
        for (int tries = 0; alive(decoder) && tries < 1000; ++tries)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_FALSE(alive(decoder)) << "the decoding child outlived glimmet";
        ::close(writer);
        std::vector<std::string> left;
        for (const auto& entry : fs::directory_iterator(root + "/out")) left.push_back(entry.path().filename());
        EXPECT_EQ(left, std::vector<std::string>{"target.bmp"});
        EXPECT_EQ(ReadFile(root + "/out/target.bmp"), "the old bitmap");
    }
}
