// lindquay-ls as a user runs it: the real binary on ROMs made here by hand (every verify rule
// broken on purpose, hostile names, pictures), on ROMs the real Lindquay builds, and on the
// builder's golden packages.
#include <FreeImage.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "testsupport/package.h"
#include "testsupport/pictures.h"
#include "testsupport/program_folder.h"
#include "testsupport/run_program.h"
#include "testsupport/sandbox.h"

namespace fs = std::filesystem;
using namespace std::string_literals;
using namespace testsupport;

namespace {

constexpr std::size_t kOffset = 196608;

const std::string kEnd = PackageEnd();

class InspectorTest : public ::testing::Test {
protected:
    // Runs lindquay-ls in the test folder.
    RunResult Ls(const std::vector<std::string>& arguments) {
        std::vector<std::string> argv{LINDQUAY_LS};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return RunProgram(argv, dir_);
    }
    RunResult LsRom(const std::string& command, const std::string& romBytes) {
        WriteFile(dir_ / "test.rom", romBytes);
        return Ls({command, "test.rom"});
    }

    Sandbox box_;
    fs::path dir_ = box_.path();
};

TEST_F(InspectorTest, ListsAGoodPackageInOrderWithTotals) {
    const std::string package = PackageFolder("\\sub") + PackageFile("\\sub\\x.txt", "x") +
                                PackageFile("\\z.txt", "zz") + PackageFile("\\.shell\\a.bmp", "abc") + kEnd;
    const RunResult list = LsRom("list", RomWithPackage(package));
    EXPECT_EQ(list.exitCode, 0) << list.err;
    EXPECT_EQ(list.out,
              "folder             \\sub\n"
              "file            1  \\sub\\x.txt\n"
              "file            2  \\z.txt\n"
              "file            3  \\.shell\\a.bmp\n"
              "1 folders, 3 files, 6 data bytes; end record at byte " +
                  std::to_string(kOffset + package.size() - 272) + ", package " + std::to_string(package.size()) +
                  " bytes\n");
    const RunResult verify = Ls({"verify", "test.rom"});
    EXPECT_EQ(verify.exitCode, 0) << verify.err;
    EXPECT_NE(verify.out.find("package OK"), std::string::npos);
}

TEST_F(InspectorTest, ControlBytesOfNamesAreShownEscaped) {
    const RunResult list = LsRom("list", RomWithPackage(PackageFile("\\\x1b[2Jgone\x7f", "x") + kEnd));
    EXPECT_EQ(list.exitCode, 0) << list.err;
    EXPECT_NE(list.out.find("  \\\\x1B[2Jgone\\x7F\n"), std::string::npos) << list.out;
}

TEST_F(InspectorTest, EmptyPackageAndLongerBaseRom) {
    EXPECT_EQ(LsRom("verify", RomWithPackage(kEnd)).exitCode, 0);
    // Bytes of a longer base ROM after the end record do not matter.
    EXPECT_EQ(LsRom("verify", RomWithPackage(PackageFile("\\a", "a") + kEnd + "trailing base ROM bytes")).exitCode, 0);
}

// Each rule broken on purpose: verify names it with its byte offset; list fails only when the
// package cannot be walked.
TEST_F(InspectorTest, VerifyReportsTheFirstProblemWithItsOffset) {
    const std::size_t second = kOffset + 272;  // the record after a leading folder item
    struct Case {
        const char* name;
        std::string rom;
        std::size_t offset;
        std::string message;
        bool listFails;
    };
    std::string nameField = PackageRecord("\\a", 1, 0, 0);
    nameField[5] = 'x';  // after the NUL
    const Case cases[] = {
        {"short file", std::string(1000, '\0'), 1000, "shorter than the package offset 196608", true},
        {"no end record", RomWithPackage(PackageFolder("\\a")), second, "the file ends before the end record", true},
        {"record past the end", RomWithPackage(PackageFolder("\\a") + std::string(100, '\0')), second,
         "runs past the end of the file", true},
        {"name without NUL",
         RomWithPackage(PackageFolder("\\a") + PackageRecord(std::string(260, 'n'), 0, 1, 1) + "x!" + kEnd), second,
         "no NUL within its 260 bytes", true},
        {"data beyond the file", RomWithPackage(PackageFolder("\\a") + PackageRecord("\\a\\b", 0, 5000, 0) + "abc"),
         second, "its 5000 data bytes run past the end of the file", true},
        {"odd data without room for its fill byte", RomWithPackage(PackageRecord("\\a", 0, 3, 1) + "abc"), kOffset,
         "its 3 data bytes run past the end", true},
        {"bytes after the NUL of a name", RomWithPackage(nameField + kEnd), kOffset, "other than zero after its NUL",
         false},
        {"name without a leading backslash", RomWithPackage(PackageFile("a.txt", "abc") + kEnd), kOffset,
         "does not begin with", false},
        {"name with an empty component", RomWithPackage(PackageFile("\\\\a", "ab") + kEnd), kOffset, "empty component",
         false},
        {"name with a dot-dot component", RomWithPackage(PackageFile("\\..\\a", "ab") + kEnd), kOffset,
         "\"..\" component", false},
        {"isDir neither 0 nor 1", RomWithPackage(PackageRecord("\\a", 2, 0, 0) + kEnd), kOffset + 260, "isDir is 2",
         false},
        {"folder with data", RomWithPackage(PackageRecord("\\a", 1, 2, 0) + "ab" + kEnd), kOffset + 264,
         "a folder with dataSize 2", false},
        {"empty file", RomWithPackage(PackageRecord("\\a", 0, 0, 0) + kEnd), kOffset + 264, "a file with dataSize 0",
         false},
        {"oddSize wrong", RomWithPackage(PackageRecord("\\a", 0, 2, 1) + "ab" + kEnd), kOffset + 268,
         "oddSize is 1, dataSize 2 needs 0", false},
        {"fill byte wrong", RomWithPackage(PackageRecord("\\a", 0, 1, 1) + "a?" + kEnd), kOffset + 273,
         "is 63, not 0x21", false},
        {"parent not listed", RomWithPackage(PackageFile("\\a\\b", "ab") + kEnd), kOffset,
         "its folder \\a is not listed before it", false},
        {"parent listed after", RomWithPackage(PackageFile("\\a\\b", "ab") + PackageFolder("\\a") + kEnd), kOffset,
         "not listed before", false},
        {"parent is a file", RomWithPackage(PackageFile("\\a", "ab") + PackageFile("\\a\\b", "ab") + kEnd),
         kOffset + 274, "its folder \\a is a file item", false},
        {"name used twice", RomWithPackage(PackageFile("\\a", "ab") + PackageFile("\\a", "cd") + kEnd), kOffset + 274,
         "used before, by the item at byte 196608", false},
        {"end record not all zero", RomWithPackage(PackageFolder("\\a") + std::string(271, '\0') + "\x01"), second,
         "the end record (empty name) holds bytes other than zero", false},
    };
    for (const Case& c : cases) {
        const RunResult verify = LsRom("verify", c.rom);
        EXPECT_EQ(verify.exitCode, 1) << c.name;
        EXPECT_NE(verify.err.find(": byte " + std::to_string(c.offset) + " ("), std::string::npos)
            << c.name << ": " << verify.err;
        EXPECT_NE(verify.err.find(c.message), std::string::npos) << c.name << ": " << verify.err;
        EXPECT_EQ(verify.out, "") << c.name;
        EXPECT_EQ(Ls({"list", "test.rom"}).exitCode, c.listFails ? 1 : 0) << c.name;
    }
}

TEST_F(InspectorTest, MissingRomAndBadCommandLines) {
    const RunResult missing = Ls({"verify", "missing.rom"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("missing.rom: byte 0 (0x0): cannot be read"), std::string::npos) << missing.err;
    const std::vector<std::vector<std::string>> commandLines = {
        {}, {"list"}, {"verify", "a", "b"}, {"extract", "a.rom"}, {"copy", "a.rom"}, {"list", "--raw", "a.rom"}};
    for (const auto& arguments : commandLines) {
        const RunResult run = Ls(arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments.size();
        EXPECT_NE(run.err.find("usage: lindquay-ls"), std::string::npos) << arguments.size();
    }
}

// Names that try to leave DIR, and links planted in it, never write outside.
TEST_F(InspectorTest, ExtractStaysInsideItsFolder) {
    fs::create_directories(dir_ / "outside");
    fs::create_directories(dir_ / "out");
    fs::create_directory_symlink(dir_ / "outside", dir_ / "out" / "link");
    const std::string package = PackageFile("\\..\\..\\x", "1") + PackageFile("\\ok\\..\\..\\y", "2") +
                                PackageFile("/etc/z", "3") + PackageFile("..\\w", "4") +
                                PackageFile("\\a/..\\..\\v", "5") + PackageFile("\\link\\evil", "6") +
                                PackageFile("\\C:\\fine", "7") + kEnd;
    WriteFile(dir_ / "test.rom", RomWithPackage(package));
    const RunResult run = Ls({"extract", "test.rom", "out"});
    EXPECT_EQ(run.exitCode, 1);
    for (const char* name : {"\\..\\..\\x", "\\ok\\..\\..\\y", "/etc/z", "..\\w", "\\a/..\\..\\v", "\\link\\evil"}) {
        EXPECT_NE(run.err.find("not extracted: "s + name + " "), std::string::npos) << name << "\n" << run.err;
    }
    EXPECT_TRUE(fs::is_empty(dir_ / "outside"));
    EXPECT_EQ(ReadFile(dir_ / "out" / "C:" / "fine"), "7");
    std::vector<fs::path> written;
    for (const auto& entry : fs::recursive_directory_iterator(dir_)) {
        if (entry.is_regular_file()) written.push_back(fs::relative(entry.path(), dir_));
    }
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, (std::vector<fs::path>{"out/C:/fine", "test.rom"}));
}

TEST_F(InspectorTest, ExtractNeverReplacesAFile) {
    fs::create_directories(dir_ / "out");
    WriteFile(dir_ / "out" / "a.txt", "mine");
    WriteFile(dir_ / "test.rom",
              RomWithPackage(PackageFile("\\a.txt", "theirs") + PackageFile("\\b.txt", "new") + kEnd));
    const RunResult run = Ls({"extract", "test.rom", "out"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("exists already; it is not replaced"), std::string::npos) << run.err;
    EXPECT_EQ(ReadFile(dir_ / "out" / "a.txt"), "mine");
    EXPECT_EQ(ReadFile(dir_ / "out" / "b.txt"), "new");
}

// A crafted name must not reach the terminal raw: control bytes are shown as \\xHH also in the
// paths that extract reports.
TEST_F(InspectorTest, ExtractShowsControlBytesOfPathsEscaped) {
    const std::string name = "\x1b]0;owned\x07.bmp";
    fs::create_directories(dir_ / "out");
    WriteFile(dir_ / "out" / name, "mine");
    const std::vector<Rgb> white(4, Rgb{255, 255, 255});
    WriteFile(dir_ / "test.rom", RomWithPackage(PackageFile("\\" + name, "x") +
                                                PackageFile("\\p\x1b.jpg", Picture16(4, 1, white)) + kEnd));
    const RunResult run = Ls({"extract", "--png", "test.rom", "out"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("\\x1B]0;owned\\x07.bmp exists already"), std::string::npos) << run.err;
    EXPECT_NE(run.out.find("p\\x1B.jpg.png\n"), std::string::npos) << run.out;
    EXPECT_EQ((run.out + run.err).find_first_of("\x1b\x07"), std::string::npos);
}

TEST_F(InspectorTest, ExtractReportsABrokenPackageAfterWritingWhatCameBefore) {
    WriteFile(dir_ / "test.rom", RomWithPackage(PackageFile("\\a.txt", "abc") + PackageRecord("\\b", 0, 9999, 1)));
    const RunResult run = Ls({"extract", "test.rom", "out"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(ReadFile(dir_ / "out" / "a.txt"), "abc");
    EXPECT_NE(run.err.find("run past the end of the file"), std::string::npos) << run.err;
}

// The colour of a PNG pixel, counting rows from the top.
std::uint32_t PngPixel(const fs::path& path, unsigned x, unsigned y, unsigned* width = nullptr,
                       unsigned* height = nullptr) {
    FIBITMAP* bitmap = FreeImage_Load(FIF_PNG, path.c_str(), 0);
    if (!bitmap) return 0xFFFFFFFF;
    if (width) *width = FreeImage_GetWidth(bitmap);
    if (height) *height = FreeImage_GetHeight(bitmap);
    RGBQUAD colour{};
    FreeImage_GetPixelColor(bitmap, x, FreeImage_GetHeight(bitmap) - 1 - y, &colour);
    FreeImage_Unload(bitmap);
    return static_cast<std::uint32_t>(colour.rgbRed) << 16 | colour.rgbGreen << 8 | colour.rgbBlue;
}

TEST_F(InspectorTest, ExtractWritesPicturesAsPng) {
    // Top row: white, red, green, blue; bottom row: black, then three mid tones.
    const std::vector<Rgb> pixels = {{255, 255, 255}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255},
                                     {0, 0, 0},       {128, 0, 0}, {0, 128, 0}, {0, 0, 128}};
    const std::string package = PackageFile("\\logo.JPG", Picture16(4, 2, pixels)) + PackageFile("\\notes.txt", "BM") +
                                PackageFile("\\broken.png", "BMnot a picture") + kEnd;
    WriteFile(dir_ / "test.rom", RomWithPackage(package));
    const RunResult run = Ls({"extract", "--png", "test.rom", "out"});
    EXPECT_EQ(run.exitCode, 1);  // for broken.png
    EXPECT_NE(run.err.find("no PNG for \\broken.png"), std::string::npos) << run.err;
    EXPECT_EQ(ReadFile(dir_ / "out" / "logo.JPG"), Picture16(4, 2, pixels));
    unsigned width = 0, height = 0;
    EXPECT_EQ(PngPixel(dir_ / "out" / "logo.JPG.png", 0, 0, &width, &height), 0xFFFFFFu);
    EXPECT_EQ(width, 4u);
    EXPECT_EQ(height, 2u);
    const std::uint32_t expected[] = {0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0x000000, 0x840000, 0x008400, 0x000084};
    for (unsigned i = 0; i < 8; ++i) EXPECT_EQ(PngPixel(dir_ / "out" / "logo.JPG.png", i % 4, i / 4), expected[i]) << i;
    EXPECT_FALSE(fs::exists(dir_ / "out" / "notes.txt.png"));
    EXPECT_EQ(ReadFile(dir_ / "out" / "broken.png"), "BMnot a picture");
    // Without the option no PNG is written.
    const RunResult plain = Ls({"extract", "test.rom", "plain"});
    EXPECT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_FALSE(fs::exists(dir_ / "plain" / "logo.JPG.png"));
}

// ROMs from the real Lindquay, run from a program folder of its own.
class WithLindquay : public InspectorTest {
protected:
    void SetUp() override { fs::create_directories(dir_ / "prog" / ".shell"); }
    RunResult Build(const std::string& tree, const std::string& rom) {
        return RunProgram({prog_.lindquay, tree, rom}, dir_);
    }
    ProgramFolder prog_{dir_ / "prog", {"Lindquay", "Lindquay.rom", "libmarlet.so"}, 0};
    // A tree of files that Lindquay packs unchanged: nested folders, odd and even sizes, a block
    // of exactly 1,024 bytes, a hidden file, bytes of every value.
    void MakePlainTree(const fs::path& root) {
        fs::create_directories(root / "docs" / "deep" / "deeper");
        fs::create_directories(root / "Alpha");
        WriteFile(root / "a.txt", "a");
        WriteFile(root / "Beta", "bb");
        WriteFile(root / ".hidden", "hid");
        WriteFile(root / "docs" / "block.bin", std::string(1024, 'k'));
        WriteFile(root / "docs" / "deep" / "deeper" / "odd.bin", std::string(1025, 'o'));
        std::string all;
        for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
        WriteFile(root / "Alpha" / "bytes.dat", all);
    }
};

TEST_F(WithLindquay, ListsAndVerifiesWhatLindquayBuilds) {
    MakePlainTree(dir_ / "fs");
    WriteFile(dir_ / "fs" / "page.htm", "<html><title>T</title><body>Hi&nbsp;there</body></html>");
    fs::create_directories(dir_ / "prog" / ".shell" / "icons");
    WriteFile(dir_ / "prog" / ".shell" / "readme.txt", "shell");
    WriteFile(dir_ / "prog" / ".shell" / "icons" / "i.txt", "icon");
    const RunResult build = Build("fs", "out.rom");
    ASSERT_EQ(build.exitCode, 0) << build.out << build.err;
    const RunResult verify = Ls({"verify", "out.rom"});
    EXPECT_EQ(verify.exitCode, 0) << verify.err;
    const RunResult list = Ls({"list", "out.rom"});
    EXPECT_EQ(list.exitCode, 0) << list.err;
    for (const char* line : {"folder             \\.shell\\icons\n", "file            4  \\.shell\\icons\\i.txt\n",
                             "file            5  \\.shell\\readme.txt\n", "folder             \\docs\\deep\\deeper\n",
                             "file         1025  \\docs\\deep\\deeper\\odd.bin\n", "file            3  \\.hidden\n"}) {
        EXPECT_NE(list.out.find(line), std::string::npos) << line << "\n" << list.out;
    }
    EXPECT_NE(list.out.find("5 folders, 9 files"), std::string::npos) << list.out;
}

TEST_F(WithLindquay, ExtractThenRebuildGivesTheSameBytes) {
    MakePlainTree(dir_ / "fs");
    ASSERT_EQ(Build("fs", "first.rom").exitCode, 0);
    const RunResult extract = Ls({"extract", "first.rom", "tree"});
    ASSERT_EQ(extract.exitCode, 0) << extract.err;
    ASSERT_EQ(Build("tree", "second.rom").exitCode, 0);
    const std::string first = ReadFile(dir_ / "first.rom"), second = ReadFile(dir_ / "second.rom");
    ASSERT_GT(first.size(), kOffset + 272);
    EXPECT_TRUE(first == second) << first.size() << " and " << second.size() << " bytes";
}

// The 24-bit bitmap of 3 x 2 pixels: top row white, black, (red 30, green 20, blue 10); bottom
// row blue, green, red.
std::string Bitmap3x2() {
    return MakeBmp(3, 2, 24, {{255, 255, 255}, {0, 0, 0}, {30, 20, 10}, {0, 0, 255}, {0, 255, 0}, {255, 0, 0}});
}

TEST_F(WithLindquay, PicturesLindquayConvertsComeOutAsPng) {
    fs::create_directories(dir_ / "fs");
    WriteFile(dir_ / "fs" / "pic.bmp", Bitmap3x2());
    ASSERT_EQ(Build("fs", "out.rom").exitCode, 0);
    EXPECT_EQ(Ls({"verify", "out.rom"}).exitCode, 0);
    const RunResult extract = Ls({"extract", "--png", "out.rom", "tree"});
    ASSERT_EQ(extract.exitCode, 0) << extract.err;
    unsigned width = 0, height = 0;
    const fs::path png = dir_ / "tree" / "pic.bmp.png";
    EXPECT_EQ(PngPixel(png, 0, 0, &width, &height), 0xFFFFFFu);
    EXPECT_EQ(width, 4u);  // rounded up to a multiple of 4, the fill pixel black
    EXPECT_EQ(height, 2u);
    // Only the top five bits of each component survive.
    const std::uint32_t expected[] = {0xFFFFFF, 0x000000, 0x181008, 0x000000, 0x0000FF, 0x00FF00, 0xFF0000, 0x000000};
    for (unsigned i = 0; i < 8; ++i) EXPECT_EQ(PngPixel(png, i % 4, i / 4), expected[i]) << i;
}

// The builder's golden packages: raw packages (*.pkg) are placed at the package offset.
TEST_F(InspectorTest, GoldenPackagesOfTheBuilderListAndVerify) {
    const fs::path golden = GOLDEN_DIR;
    ASSERT_TRUE(fs::is_directory(golden)) << golden;
    int checked = 0;
    for (const auto& entry : fs::directory_iterator(golden)) {
        const std::string extension = entry.path().extension().string();
        if (extension != ".pkg" && extension != ".rom") continue;
        const std::string bytes = ReadFile(entry.path());
        WriteFile(dir_ / "golden.rom", extension == ".pkg" ? RomWithPackage(bytes) : bytes);
        const RunResult verify = Ls({"verify", "golden.rom"});
        EXPECT_EQ(verify.exitCode, 0) << entry.path() << ": " << verify.err;
        EXPECT_EQ(Ls({"list", "golden.rom"}).exitCode, 0) << entry.path();
        ++checked;
    }
    EXPECT_GT(checked, 0) << "no *.pkg or *.rom in " << golden;
}

}  // namespace
