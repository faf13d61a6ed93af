// lindquay-ls as a user runs it: the real binary on ROMs made here by hand (every verify rule
// broken on purpose, hostile names, pictures), on ROMs the real Lindquay builds, and on the
// builder's golden packages.
#include <FreeImage.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

constexpr std::size_t kOffset = 196608;

std::string Le32(std::uint32_t value) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>(value >> (8 * i));
    return bytes;
}

// One record as the format lays it out; the fields are given raw so that tests can break them.
std::string Record(const std::string& name, std::uint32_t isDir, std::uint32_t dataSize, std::uint32_t oddSize) {
    std::string record = name;
    record.resize(260, '\0');
    return record + Le32(isDir) + Le32(dataSize) + Le32(oddSize);
}
std::string Folder(const std::string& name) { return Record(name, 1, 0, 0); }
std::string File(const std::string& name, const std::string& data) {
    const auto size = static_cast<std::uint32_t>(data.size());
    return Record(name, 0, size, size & 1) + data + (size & 1 ? "!" : "");
}
const std::string kEnd(272, '\0');

std::string Rom(const std::string& package) { return std::string(kOffset, '\0') + package; }

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}
void Write(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

struct Outcome {
    int exitCode = -1;
    std::string out, err;
};

class InspectorTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("lindquay-ls-test-" + std::to_string(getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs a program in the test folder with standard input from /dev/null.
    Outcome Shell(const std::string& commandLine) {
        const std::string command = "cd '" + dir_.string() + "' && " + commandLine + " </dev/null >out.txt 2>err.txt";
        const int status = std::system(command.c_str());
        Outcome run;
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.out = Read(dir_ / "out.txt");
        run.err = Read(dir_ / "err.txt");
        return run;
    }
    Outcome Ls(const std::string& arguments) { return Shell("'" LINDQUAY_LS "' " + arguments); }
    Outcome LsRom(const std::string& command, const std::string& romBytes) {
        Write(dir_ / "test.rom", romBytes);
        return Ls(command + " test.rom");
    }

    fs::path dir_;
};

TEST_F(InspectorTest, ListsAGoodPackageInOrderWithTotals) {
    const std::string package =
        Folder("\\sub") + File("\\sub\\x.txt", "x") + File("\\z.txt", "zz") + File("\\.shell\\a.bmp", "abc") + kEnd;
    const Outcome list = LsRom("list", Rom(package));
    EXPECT_EQ(list.exitCode, 0) << list.err;
    EXPECT_EQ(list.out,
              "folder             \\sub\n"
              "file            1  \\sub\\x.txt\n"
              "file            2  \\z.txt\n"
              "file            3  \\.shell\\a.bmp\n"
              "1 folders, 3 files, 6 data bytes; end record at byte " +
                  std::to_string(kOffset + package.size() - 272) + ", package " + std::to_string(package.size()) +
                  " bytes\n");
    const Outcome verify = Ls("verify test.rom");
    EXPECT_EQ(verify.exitCode, 0) << verify.err;
    EXPECT_NE(verify.out.find("package OK"), std::string::npos);
}

TEST_F(InspectorTest, ControlBytesOfNamesAreShownEscaped) {
    const Outcome list = LsRom("list", Rom(File("\\\x1b[2Jgone\x7f", "x") + kEnd));
    EXPECT_EQ(list.exitCode, 0) << list.err;
    EXPECT_NE(list.out.find("  \\\\x1B[2Jgone\\x7F\n"), std::string::npos) << list.out;
}

TEST_F(InspectorTest, EmptyPackageAndLongerBaseRom) {
    EXPECT_EQ(LsRom("verify", Rom(kEnd)).exitCode, 0);
    // Bytes of a longer base ROM after the end record do not matter.
    EXPECT_EQ(LsRom("verify", Rom(File("\\a", "a") + kEnd + "trailing base ROM bytes")).exitCode, 0);
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
    std::string nameField = Record("\\a", 1, 0, 0);
    nameField[5] = 'x';  // after the NUL
    const Case cases[] = {
        {"short file", std::string(1000, '\0'), 1000, "shorter than the package offset 196608", true},
        {"no end record", Rom(Folder("\\a")), second, "the file ends before the end record", true},
        {"record past the end", Rom(Folder("\\a") + std::string(100, '\0')), second, "runs past the end of the file",
         true},
        {"name without NUL", Rom(Folder("\\a") + Record(std::string(260, 'n'), 0, 1, 1) + "x!" + kEnd), second,
         "no NUL within its 260 bytes", true},
        {"data beyond the file", Rom(Folder("\\a") + Record("\\a\\b", 0, 5000, 0) + "abc"), second,
         "its 5000 data bytes run past the end of the file", true},
        {"odd data without room for its fill byte", Rom(Record("\\a", 0, 3, 1) + "abc"), kOffset,
         "its 3 data bytes run past the end", true},
        {"bytes after the NUL of a name", Rom(nameField + kEnd), kOffset, "other than zero after its NUL", false},
        {"name without a leading backslash", Rom(File("a.txt", "abc") + kEnd), kOffset, "does not begin with", false},
        {"name with an empty component", Rom(File("\\\\a", "ab") + kEnd), kOffset, "empty component", false},
        {"name with a dot-dot component", Rom(File("\\..\\a", "ab") + kEnd), kOffset, "\"..\" component", false},
        {"isDir neither 0 nor 1", Rom(Record("\\a", 2, 0, 0) + kEnd), kOffset + 260, "isDir is 2", false},
        {"folder with data", Rom(Record("\\a", 1, 2, 0) + "ab" + kEnd), kOffset + 264, "a folder with dataSize 2",
         false},
        {"empty file", Rom(Record("\\a", 0, 0, 0) + kEnd), kOffset + 264, "a file with dataSize 0", false},
        {"oddSize wrong", Rom(Record("\\a", 0, 2, 1) + "ab" + kEnd), kOffset + 268, "oddSize is 1, dataSize 2 needs 0",
         false},
        {"fill byte wrong", Rom(Record("\\a", 0, 1, 1) + "a?" + kEnd), kOffset + 273, "is 63, not 0x21", false},
        {"parent not listed", Rom(File("\\a\\b", "ab") + kEnd), kOffset, "its folder \\a is not listed before it",
         false},
        {"parent listed after", Rom(File("\\a\\b", "ab") + Folder("\\a") + kEnd), kOffset, "not listed before", false},
        {"parent is a file", Rom(File("\\a", "ab") + File("\\a\\b", "ab") + kEnd), kOffset + 274,
         "its folder \\a is a file item", false},
        {"name used twice", Rom(File("\\a", "ab") + File("\\a", "cd") + kEnd), kOffset + 274,
         "used before, by the item at byte 196608", false},
        {"end record not all zero", Rom(Folder("\\a") + std::string(271, '\0') + "\x01"), second,
         "the end record (empty name) holds bytes other than zero", false},
    };
    for (const Case& c : cases) {
        const Outcome verify = LsRom("verify", c.rom);
        EXPECT_EQ(verify.exitCode, 1) << c.name;
        EXPECT_NE(verify.err.find(": byte " + std::to_string(c.offset) + " ("), std::string::npos)
            << c.name << ": " << verify.err;
        EXPECT_NE(verify.err.find(c.message), std::string::npos) << c.name << ": " << verify.err;
        EXPECT_EQ(verify.out, "") << c.name;
        EXPECT_EQ(Ls("list test.rom").exitCode, c.listFails ? 1 : 0) << c.name;
    }
}

TEST_F(InspectorTest, MissingRomAndBadCommandLines) {
    const Outcome missing = Ls("verify missing.rom");
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("missing.rom: byte 0 (0x0): cannot be read"), std::string::npos) << missing.err;
    for (const char* arguments : {"", "list", "verify a b", "extract a.rom", "copy a.rom", "list --raw a.rom"}) {
        const Outcome run = Ls(arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments;
        EXPECT_NE(run.err.find("usage: lindquay-ls"), std::string::npos) << arguments;
    }
}

// Names that try to leave DIR, and links planted in it, never write outside.
TEST_F(InspectorTest, ExtractStaysInsideItsFolder) {
    fs::create_directories(dir_ / "outside");
    fs::create_directories(dir_ / "out");
    fs::create_directory_symlink(dir_ / "outside", dir_ / "out" / "link");
    const std::string package = File("\\..\\..\\x", "1") + File("\\ok\\..\\..\\y", "2") + File("/etc/z", "3") +
                                File("..\\w", "4") + File("\\a/..\\..\\v", "5") + File("\\link\\evil", "6") +
                                File("\\C:\\fine", "7") + kEnd;
    Write(dir_ / "test.rom", Rom(package));
    const Outcome run = Ls("extract test.rom out");
    EXPECT_EQ(run.exitCode, 1);
    for (const char* name : {"\\..\\..\\x", "\\ok\\..\\..\\y", "/etc/z", "..\\w", "\\a/..\\..\\v", "\\link\\evil"}) {
        EXPECT_NE(run.err.find("not extracted: "s + name + " "), std::string::npos) << name << "\n" << run.err;
    }
    EXPECT_TRUE(fs::is_empty(dir_ / "outside"));
    EXPECT_EQ(Read(dir_ / "out" / "C:" / "fine"), "7");
    std::vector<fs::path> written;
    for (const auto& entry : fs::recursive_directory_iterator(dir_)) {
        if (entry.is_regular_file()) written.push_back(fs::relative(entry.path(), dir_));
    }
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, (std::vector<fs::path>{"err.txt", "out/C:/fine", "out.txt", "test.rom"}));
}

TEST_F(InspectorTest, ExtractNeverReplacesAFile) {
    fs::create_directories(dir_ / "out");
    Write(dir_ / "out" / "a.txt", "mine");
    Write(dir_ / "test.rom", Rom(File("\\a.txt", "theirs") + File("\\b.txt", "new") + kEnd));
    const Outcome run = Ls("extract test.rom out");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("exists already; it is not replaced"), std::string::npos) << run.err;
    EXPECT_EQ(Read(dir_ / "out" / "a.txt"), "mine");
    EXPECT_EQ(Read(dir_ / "out" / "b.txt"), "new");
}

TEST_F(InspectorTest, ExtractReportsABrokenPackageAfterWritingWhatCameBefore) {
    Write(dir_ / "test.rom", Rom(File("\\a.txt", "abc") + Record("\\b", 0, 9999, 1)));
    const Outcome run = Ls("extract test.rom out");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(Read(dir_ / "out" / "a.txt"), "abc");
    EXPECT_NE(run.err.find("run past the end of the file"), std::string::npos) << run.err;
}

// A picture16 item: "BM", 16, width, height, then the 16-bit pixels from the top row down.
std::string Picture16(std::uint16_t width, std::uint16_t height, const std::vector<std::uint16_t>& pixels) {
    std::string bytes = "BM";
    for (std::uint16_t value : {std::uint16_t{16}, width, height}) bytes += Le32(value).substr(0, 2);
    for (std::uint16_t value : pixels) bytes += Le32(value).substr(0, 2);
    return bytes;
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
    const std::vector<std::uint16_t> pixels = {0x7FFF, 0x001F, 0x03E0, 0x7C00, 0x0000, 0x0010, 0x0200, 0x4000};
    const std::string package = File("\\logo.JPG", Picture16(4, 2, pixels)) + File("\\notes.txt", "BM") +
                                File("\\broken.png", "BMnot a picture") + kEnd;
    Write(dir_ / "test.rom", Rom(package));
    const Outcome run = Ls("extract --png test.rom out");
    EXPECT_EQ(run.exitCode, 1);  // for broken.png
    EXPECT_NE(run.err.find("no PNG for \\broken.png"), std::string::npos) << run.err;
    EXPECT_EQ(Read(dir_ / "out" / "logo.JPG"), Picture16(4, 2, pixels));
    unsigned width = 0, height = 0;
    EXPECT_EQ(PngPixel(dir_ / "out" / "logo.JPG.png", 0, 0, &width, &height), 0xFFFFFFu);
    EXPECT_EQ(width, 4u);
    EXPECT_EQ(height, 2u);
    const std::uint32_t expected[] = {0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0x000000, 0x840000, 0x008400, 0x000084};
    for (unsigned i = 0; i < 8; ++i) EXPECT_EQ(PngPixel(dir_ / "out" / "logo.JPG.png", i % 4, i / 4), expected[i]) << i;
    EXPECT_FALSE(fs::exists(dir_ / "out" / "notes.txt.png"));
    EXPECT_EQ(Read(dir_ / "out" / "broken.png"), "BMnot a picture");
    // Without the option no PNG is written.
    const Outcome plain = Ls("extract test.rom plain");
    EXPECT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_FALSE(fs::exists(dir_ / "plain" / "logo.JPG.png"));
}

// ROMs from the real Lindquay, run from a program folder of its own.
class WithLindquay : public InspectorTest {
protected:
    void SetUp() override {
        InspectorTest::SetUp();
        for (const char* file : {"Lindquay", "Lindquay.rom", "libmarlet.so"}) {
            if (!fs::exists(fs::path(DIST_GBA) / file)) GTEST_SKIP() << file << " is not built in " << DIST_GBA;
        }
        fs::create_directories(dir_ / "prog" / ".shell");
        for (const char* file : {"Lindquay", "Lindquay.rom", "libmarlet.so"}) {
            fs::copy(fs::path(DIST_GBA) / file, dir_ / "prog" / file);
        }
    }
    Outcome Build(const std::string& tree, const std::string& rom) {
        return Shell("prog/Lindquay " + tree + " " + rom);
    }
    // A tree of files that Lindquay packs unchanged: nested folders, odd and even sizes, a block
    // of exactly 1,024 bytes, a hidden file, bytes of every value.
    void MakePlainTree(const fs::path& root) {
        fs::create_directories(root / "docs" / "deep" / "deeper");
        fs::create_directories(root / "Alpha");
        Write(root / "a.txt", "a");
        Write(root / "Beta", "bb");
        Write(root / ".hidden", "hid");
        Write(root / "docs" / "block.bin", std::string(1024, 'k'));
        Write(root / "docs" / "deep" / "deeper" / "odd.bin", std::string(1025, 'o'));
        std::string all;
        for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
        Write(root / "Alpha" / "bytes.dat", all);
    }
};

TEST_F(WithLindquay, ListsAndVerifiesWhatLindquayBuilds) {
    MakePlainTree(dir_ / "fs");
    Write(dir_ / "fs" / "page.htm", "<html><title>T</title><body>Hi&nbsp;there</body></html>");
    fs::create_directories(dir_ / "prog" / ".shell" / "icons");
    Write(dir_ / "prog" / ".shell" / "readme.txt", "shell");
    Write(dir_ / "prog" / ".shell" / "icons" / "i.txt", "icon");
    const Outcome build = Build("fs", "out.rom");
    ASSERT_EQ(build.exitCode, 0) << build.out << build.err;
    const Outcome verify = Ls("verify out.rom");
    EXPECT_EQ(verify.exitCode, 0) << verify.err;
    const Outcome list = Ls("list out.rom");
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
    const Outcome extract = Ls("extract first.rom tree");
    ASSERT_EQ(extract.exitCode, 0) << extract.err;
    ASSERT_EQ(Build("tree", "second.rom").exitCode, 0);
    const std::string first = Read(dir_ / "first.rom"), second = Read(dir_ / "second.rom");
    ASSERT_GT(first.size(), kOffset + 272);
    EXPECT_TRUE(first == second) << first.size() << " and " << second.size() << " bytes";
}

// The 24-bit bitmap of 3 x 2 pixels, bottom row first: blue, green, red; top row: white, black,
// and (blue 10, green 20, red 30).
std::string Bitmap3x2() {
    const unsigned char rows[] = {255, 0,   0,   0, 255, 0, 0,  0,  255, 0, 0, 0,
                                  255, 255, 255, 0, 0,   0, 10, 20, 30,  0, 0, 0};
    std::string header = "BM" + Le32(54 + sizeof rows) + Le32(0) + Le32(54) + Le32(40) + Le32(3) + Le32(2) +
                         "\x01\x00\x18\x00"s + Le32(0) + Le32(sizeof rows) + Le32(0) + Le32(0) + Le32(0) + Le32(0);
    return header + std::string(reinterpret_cast<const char*>(rows), sizeof rows);
}

TEST_F(WithLindquay, PicturesLindquayConvertsComeOutAsPng) {
    fs::create_directories(dir_ / "fs");
    Write(dir_ / "fs" / "pic.bmp", Bitmap3x2());
    ASSERT_EQ(Build("fs", "out.rom").exitCode, 0);
    EXPECT_EQ(Ls("verify out.rom").exitCode, 0);
    const Outcome extract = Ls("extract --png out.rom tree");
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
    if (!fs::is_directory(golden)) GTEST_SKIP() << "no golden packages at " << golden;
    int checked = 0;
    for (const auto& entry : fs::directory_iterator(golden)) {
        const std::string extension = entry.path().extension().string();
        if (extension != ".pkg" && extension != ".rom") continue;
        const std::string bytes = Read(entry.path());
        Write(dir_ / "golden.rom", extension == ".pkg" ? Rom(bytes) : bytes);
        const Outcome verify = Ls("verify golden.rom");
        EXPECT_EQ(verify.exitCode, 0) << entry.path() << ": " << verify.err;
        EXPECT_EQ(Ls("list golden.rom").exitCode, 0) << entry.path();
        ++checked;
    }
    if (checked == 0) GTEST_SKIP() << "no *.pkg or *.rom in " << golden;
}

}  // namespace
