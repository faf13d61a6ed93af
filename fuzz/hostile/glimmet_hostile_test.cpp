// glimmet, the picture converter beside Lindquay, on pictures made to break it: run on its own
// as Lindquay starts it (glimmet SOURCE /convert=TARGET), and through Lindquay on a folder that
// holds the picture. Each row: the exit code and message, no bitmap left behind, the build goes
// on with the entry counted as an error, and nothing outside the program folder and output ROM
// changed.
#include <gtest/gtest.h>

#include <filesystem>

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

}  // namespace

TEST(GlimmetHostile, EveryRowFailsCleanlyAndChangesNothingElse) {
    const std::string good = MakePng(64, 48);
    const std::vector<Row> rows = {
        {"a truncated PNG", good.substr(0, good.size() / 2), "glimmet: cannot read SOURCE"},
        {"a 0-byte file", "", "glimmet: cannot read SOURCE"},
        {"a 40,000 x 40,000 PNG header", MakePng(40000, 40000, false), "glimmet: cannot read SOURCE"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Sandbox box;
        const std::string root = box.path();
        ProgramFolder prog(root + "/prog", {"Lindquay", "libmarlet.so", "Lindquay.rom", "glimmet"}, 0);
        fs::create_directories(root + "/out");
        WriteFile(root + "/fs/pic.png", row.bytes);
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

        // Through Lindquay: the picture's entry fails, the build goes on to the next file.
        const RunResult build = RunProgram({root + "/prog/Lindquay", root + "/fs", root + "/out/o.rom"}, root, {}, 120);
        ASSERT_FALSE(build.timedOut);
        EXPECT_EQ(build.exitCode, 0) << build.out;
        EXPECT_NE(build.out.find("\\pic.png"), std::string::npos) << build.out;
        EXPECT_NE(build.out.find(" - 0 [[[ Error ]]]"), std::string::npos) << build.out;
        EXPECT_NE(build.out.find("\\after.txt"), std::string::npos) << build.out;
        EXPECT_NE(build.out.find("Error(s): 1  warning(s): 0"), std::string::npos) << build.out;
        EXPECT_FALSE(fs::exists(root + "/prog/transFile.jpg"));

        EXPECT_EQ(Changes(before, Snap(root), {"/out/o.rom", "/prog/tmp.bmp"}), std::vector<std::string>{});
    }
}
