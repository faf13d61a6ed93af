// glimmet, the picture converter beside Lindquay, on pictures made to break it: run on its own
// as Lindquay starts it (glimmet SOURCE /convert=TARGET), and through Lindquay on a folder that
// holds the picture. Each row: the exit code and message, no bitmap left behind, the build goes
// on with the entry counted as an error, and nothing outside the program folder and output ROM
// changed.
#include <zlib.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "hostile_support.h"

namespace fs = std::filesystem;
using hostile::WriteFile;

namespace {

std::string Be32(std::uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}

std::string Chunk(const std::string& type, const std::string& data) {
    const std::string body = type + data;
    const auto crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size())));
    return Be32(static_cast<std::uint32_t>(data.size())) + body + Be32(crc);
}

// An 8-bit RGB PNG of width x height; with pixels false, the header alone (no image data).
std::string Png(std::uint32_t width, std::uint32_t height, bool pixels = true) {
    std::string png = "\x89PNG\r\n\x1a\n";
    png += Chunk("IHDR", Be32(width) + Be32(height) + std::string("\x08\x02\x00\x00\x00", 5));
    if (pixels) {
        std::string rows;
        for (std::uint32_t y = 0; y < height; ++y) rows += '\0' + std::string(width * 3, static_cast<char>(y * 5));
        std::string packed(compressBound(static_cast<uLong>(rows.size())), '\0');
        uLongf size = static_cast<uLongf>(packed.size());
        compress(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(rows.data()),
                 static_cast<uLong>(rows.size()));
        packed.resize(size);
        png += Chunk("IDAT", packed);
    }
    return png + Chunk("IEND", "");
}

struct Row {
    const char* what;
    std::string bytes;
    std::string said;  // glimmet's message, "SOURCE" standing for the picture's path
};

}  // namespace

TEST(GlimmetHostile, EveryRowFailsCleanlyAndChangesNothingElse) {
    const std::string good = Png(64, 48);
    const std::vector<Row> rows = {
        {"a truncated PNG", good.substr(0, good.size() / 2), "glimmet: cannot read SOURCE"},
        {"a 0-byte file", "", "glimmet: cannot read SOURCE"},
        {"a 40,000 x 40,000 PNG header", Png(40000, 40000, false), "glimmet: cannot read SOURCE"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        hostile::TempFolder box;
        const std::string root = box.path();
        fs::create_directories(root + "/prog");
        fs::create_directories(root + "/out");
        for (const char* file : {"Lindquay", "libmarlet.so", "Lindquay.rom", "glimmet"})
            fs::copy_file(std::string(CORVAMO_DIST_GBA) + "/" + file, root + "/prog/" + file);
        WriteFile(root + "/fs/pic.png", row.bytes);
        WriteFile(root + "/fs/after.txt", "after");
        const hostile::Snapshot before = hostile::Snap(root);

        // On its own, as Lindquay starts it: folder prog, the bitmap at prog/tmp.bmp.
        const std::string source = root + "/fs/pic.png";
        const hostile::Run alone = hostile::RunProgram(
            {root + "/prog/glimmet", source, "/convert=" + root + "/prog/tmp.bmp"}, root + "/prog", 120);
        ASSERT_FALSE(alone.timedOut);
        EXPECT_EQ(alone.exitCode, 1);
        std::string said = row.said;
        said.replace(said.find("SOURCE"), 6, source);
        EXPECT_NE(alone.output.find(said), std::string::npos) << alone.output;
        EXPECT_FALSE(fs::exists(root + "/prog/tmp.bmp"));

        // Through Lindquay: the picture's entry fails, the build goes on to the next file.
        const hostile::Run build =
            hostile::RunProgram({root + "/prog/Lindquay", root + "/fs", root + "/out/o.rom"}, root, 120);
        ASSERT_FALSE(build.timedOut);
        EXPECT_EQ(build.exitCode, 0) << build.output;
        EXPECT_NE(build.output.find("\\pic.png"), std::string::npos) << build.output;
        EXPECT_NE(build.output.find(" - 0 [[[ Error ]]]"), std::string::npos) << build.output;
        EXPECT_NE(build.output.find("\\after.txt"), std::string::npos) << build.output;
        EXPECT_NE(build.output.find("Error(s): 1  warning(s): 0"), std::string::npos) << build.output;
        EXPECT_FALSE(fs::exists(root + "/prog/transFile.jpg"));

        EXPECT_EQ(hostile::Changes(before, hostile::Snap(root), {"/out/o.rom", "/prog/tmp.bmp"}),
                  std::vector<std::string>{});
    }
}
