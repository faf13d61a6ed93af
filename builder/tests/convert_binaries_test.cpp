// Pages and pictures packed end to end: the real Lindquay with the real glimmet and
// libmarlet.so in a temporary program folder.
#include <FreeImage.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "convert.h"
#include "glimmet_serve.h"
#include "marlet.h"
#include "testsupport/package.h"
#include "testsupport/pictures.h"
#include "testsupport/program_folder.h"
#include "testsupport/run_program.h"
#include "testsupport/sandbox.h"

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

std::vector<Rgb> Gradient(int w, int h) {
    std::vector<Rgb> px;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            px.push_back({static_cast<std::uint8_t>(x * 255 / w), static_cast<std::uint8_t>(y * 255 / h),
                          static_cast<std::uint8_t>((x * 37 + y * 91) % 256)});
    return px;
}

// Saves pixels (top row first) with FreeImage; alpha, when given, per pixel.
void SavePicture(const std::string& path, FREE_IMAGE_FORMAT format, int w, int h, const std::vector<Rgb>& px,
                 const std::vector<std::uint8_t>& alpha = {}, int flags = 0) {
    fs::create_directories(fs::path(path).parent_path());
    FIBITMAP* dib = FreeImage_Allocate(w, h, alpha.empty() ? 24 : 32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const auto i = static_cast<std::size_t>(y * w + x);
            RGBQUAD q{px[i].b, px[i].g, px[i].r, alpha.empty() ? std::uint8_t{0} : alpha[i]};
            FreeImage_SetPixelColor(dib, static_cast<unsigned>(x), static_cast<unsigned>(h - 1 - y),
                                    &q);  // rows bottom-up
        }
    if (format == FIF_GIF) {
        FIBITMAP* q = FreeImage_ColorQuantize(dib, FIQ_WUQUANT);
        FreeImage_Unload(dib);
        dib = q;
    }
    ASSERT_TRUE(FreeImage_Save(format, dib, path.c_str(), flags)) << path;
    FreeImage_Unload(dib);
}

// The pixels FreeImage decodes from a picture, top row first.
std::vector<Rgb> Decode(const std::string& path) {
    FIBITMAP* dib = FreeImage_Load(FreeImage_GetFileType(path.c_str(), 0), path.c_str(), 0);
    FIBITMAP* rgb = FreeImage_ConvertTo24Bits(dib);
    const int w = static_cast<int>(FreeImage_GetWidth(rgb)), h = static_cast<int>(FreeImage_GetHeight(rgb));
    std::vector<Rgb> px;
    for (int y = h - 1; y >= 0; --y)
        for (int x = 0; x < w; ++x) {
            RGBQUAD q;
            FreeImage_GetPixelColor(rgb, static_cast<unsigned>(x), static_cast<unsigned>(y), &q);
            px.push_back({q.rgbRed, q.rgbGreen, q.rgbBlue});
        }
    FreeImage_Unload(rgb);
    FreeImage_Unload(dib);
    return px;
}

std::string Find(const Package& p, const std::string& name) {
    for (const auto& i : p.items)
        if (i.name == name) return i.data;
    ADD_FAILURE() << name << " is not in the package";
    return {};
}

class Conversion : public ::testing::Test {
protected:
    Sandbox tmp;
    ProgramFolder prog{tmp / "prog"};
    std::string fsdir = tmp / "fs";
    RunResult result;
    Package Build(const std::vector<std::string>& env = {}) {
        fs::create_directories(fsdir);
        result = RunProgram({prog.lindquay, fsdir, tmp / "out.rom"}, tmp.path(), env);
        return ReadPackage(tmp / "out.rom");
    }
    bool Listed(const std::string& text) const { return result.out.find(text) != std::string::npos; }
    void FakeGlimmet(const std::string& script) {
        fs::remove(prog.dir + "/glimmet");
        WriteFile(prog.dir + "/glimmet", "#!/bin/sh\n" + script);
        fs::permissions(prog.dir + "/glimmet", fs::perms::owner_all);
    }
};

TEST_F(Conversion, PicturesAndPagesEndToEnd) {
    const auto png = Gradient(7, 5), jpg = Gradient(16, 9), bmp = Gradient(3, 2);
    SavePicture(fsdir + "/my pics/photo.png", FIF_PNG, 7, 5, png);
    SavePicture(fsdir + "/my pics/shot.JPG", FIF_JPEG, 16, 9, jpg, {}, JPEG_QUALITYGOOD);
    const std::string rawBmp = MakeBmp(3, 2, 24, bmp);
    WriteFile(fsdir + "/my pics/raw.bmp", rawBmp);
    WriteFile(fsdir + "/help/page.htm",
              "<html><head><title>t</title></head><body><p>Hello&nbsp;there</p>\n</body></html>\n");
    WriteFile(fsdir + "/data.bin", "<body>kept as it is</body>");
    const Package p = Build();
    ASSERT_TRUE(p.ok()) << p.problem << result.out;
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(Listed("Error(s): 0  warning(s): 0\n")) << result.out << result.err;

    EXPECT_EQ(Find(p, "\\my pics\\photo.png"), Picture16(7, 5, png));  // lossless: exact
    EXPECT_EQ(Find(p, "\\my pics\\shot.JPG"), Picture16(16, 9, Decode(fsdir + "/my pics/shot.JPG")));
    EXPECT_EQ(Find(p, "\\my pics\\raw.bmp"), Picture16(3, 2, bmp));
    EXPECT_EQ(ReadFile(fsdir + "/my pics/raw.bmp"), rawBmp);  // a BMP source is never changed
    EXPECT_EQ(Find(p, "\\data.bin"), "<body>kept as it is</body>");

    const std::string expectedText = tmp / "expected.txt";
    ASSERT_EQ(Marlet((fsdir + "/help/page.htm").c_str(), expectedText.c_str()), 0);
    EXPECT_EQ(Find(p, "\\help\\page.htm"), ReadFile(expectedText));
    EXPECT_TRUE(Listed("      : \\help\\page.htm" + std::string(52 - 14, ' ') + " - " +
                       std::to_string(ReadFile(expectedText).size()) + "\n"));

    // The served glimmet's bitmaps stay in memory; the picture16 goes straight into the package.
    EXPECT_FALSE(fs::exists(prog.dir + "/tmp.bmp"));
    EXPECT_FALSE(fs::exists(prog.dir + "/transFile.jpg"));
    EXPECT_FALSE(fs::exists(prog.dir + "/tmp.htm"));
}

TEST_F(Conversion, PageWithoutBodyWarnsAndLeavesItsText) {
    WriteFile(fsdir + "/nobody.html", "<html><head><title>no body here</title></head></html>");
    const Package p = Build();
    ASSERT_TRUE(p.ok()) << p.problem;
    EXPECT_TRUE(Listed("      : \\nobody.html" + std::string(52 - 12, ' ') + " - 0  <WARNING>\n"));
    EXPECT_TRUE(p.items.empty());
    ASSERT_TRUE(fs::exists(prog.dir + "/tmp.htm"));
    EXPECT_EQ(fs::file_size(prog.dir + "/tmp.htm"), 0u);
}

TEST_F(Conversion, UnreadablePageFailsItsEntry) {
    fs::create_directories(fsdir);
    fs::create_symlink(tmp / "gone.htm", fsdir + "/dangling.htm");
    WriteFile(fsdir + "/z.txt", "z");
    fs::create_directory(fsdir + "/page.htm");  // a folder: packed as a folder item
    const Package p = Build();
    ASSERT_TRUE(p.ok()) << p.problem;
    EXPECT_TRUE(Listed("\\dangling.htm")) << result.out;
    EXPECT_TRUE(Listed("Error(s): 1  warning(s): 0\n")) << result.out;
    EXPECT_EQ(Names(p), (std::vector<std::string>{"\\page.htm", "\\z.txt"}));
}

TEST_F(Conversion, OtherFormatsThroughGlimmet) {
    const auto px = Gradient(6, 4);
    SavePicture(fsdir + "/a.tif", FIF_TIFF, 6, 4, px);
    SavePicture(fsdir + "/c.gif", FIF_GIF, 6, 4, px);
    const Package p = Build();
    ASSERT_TRUE(p.ok()) << p.problem;
    EXPECT_TRUE(Listed("Error(s): 0  warning(s): 0\n")) << result.out << result.err;
    EXPECT_EQ(result.err, "");  // the libraries' chatter stays inside glimmet
    EXPECT_EQ(Find(p, "\\a.tif"), Picture16(6, 4, px));
    EXPECT_EQ(Find(p, "\\c.gif"), Picture16(6, 4, Decode(fsdir + "/c.gif")));
}

TEST_F(Conversion, AlphaIsFlattenedOntoWhite) {
    SavePicture(fsdir + "/icon.png", FIF_PNG, 3, 1, {{255, 0, 0}, {0, 0, 255}, {0, 0, 0}}, {0, 255, 255});
    const Package p = Build();
    ASSERT_TRUE(p.ok()) << p.problem;
    const std::string d = Find(p, "\\icon.png");
    ASSERT_EQ(d.size(), 8u + 8u);
    EXPECT_EQ(Le16(d, 8), 0x7FFF);
    EXPECT_EQ(Le16(d, 10), 0x7C00);
    EXPECT_EQ(Le16(d, 12), 0x0000);
}

TEST_F(Conversion, MissingGlimmetFailsTheEntryAndNoStalePictureIsPacked) {
    fs::remove(prog.dir + "/glimmet");
    WriteFile(prog.dir + "/tmp.bmp", MakeBmp(1, 1, 24, {{9, 9, 9}}));  // from an earlier run
    SavePicture(fsdir + "/new.png", FIF_PNG, 2, 2, Gradient(2, 2));
    const Package p = Build({"PATH=" + (tmp / "empty")});
    ASSERT_TRUE(p.ok()) << p.problem;
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(Listed("      : \\new.png" + std::string(52 - 8, ' ') +
                       "\nERROR: glimmet could not be started: No such file or directory\n - 0 [[[ Error ]]]\n"))
        << result.out;
    EXPECT_TRUE(p.items.empty());
    EXPECT_FALSE(fs::exists(prog.dir + "/tmp.bmp"));
}

TEST_F(Conversion, FailingConverterLeavesNoPictureBehind) {
    FakeGlimmet("echo 'glimmet: cannot read' >&2\nexit 3\n");
    WriteFile(prog.dir + "/tmp.bmp", MakeBmp(1, 1, 24, {{9, 9, 9}}));
    WriteFile(fsdir + "/a.jpg", "not really a JPEG");
    WriteFile(fsdir + "/b.txt", "b");
    const Package p = Build();
    ASSERT_TRUE(p.ok()) << p.problem;
    EXPECT_TRUE(Listed("\nERROR: glimmet left no bitmap (exit status 3)\n - 0 [[[ Error ]]]\n")) << result.out;
    EXPECT_EQ(result.err, "glimmet: cannot read\n");
    EXPECT_EQ(Names(p), std::vector<std::string>{"\\b.txt"});
}

TEST_F(Conversion, ConverterRunsInTheProgramFolderWithItsArgumentsIntact) {
    WriteFile(prog.dir + "/fixture.bmp", MakeBmp(2, 1, 24, {{255, 255, 255}, {255, 0, 0}}));
    FakeGlimmet(
        "printf '%s\\n' \"$PWD\" \"$#\" \"$1\" \"$2\" > args.txt\n"
        "if read line; then echo stdin-had-data >> args.txt; else echo stdin-empty >> args.txt; fi\n"
        "cp fixture.bmp \"${2#/convert=}\"\n");
    WriteFile(fsdir + "/with  two spaces/a pic.jpeg", "x");
    const Package p = Build();
    ASSERT_TRUE(p.ok()) << p.problem;
    EXPECT_EQ(ReadFile(prog.dir + "/args.txt"), prog.dir + "\n2\n" + fsdir + "/with  two spaces/a pic.jpeg\n/convert=" +
                                                    prog.dir + "/tmp.bmp\nstdin-empty\n");
    EXPECT_EQ(Find(p, "\\with  two spaces\\a pic.jpeg"), Picture16(2, 1, {{255, 255, 255}, {255, 0, 0}}));
}

// One build of a mixed tree through every kind of glimmet: the project's own, served for the whole
// build; one of another make (no mark: started once per picture, never with --serve, leaving
// tmp.bmp); one with the mark that does not greet; one that greets and then ends. The ROM, the
// listing and glimmet's messages are the same byte for byte.
TEST_F(Conversion, ServedAndPerPictureBuildsAreIdentical) {
    const auto px = Gradient(37, 23);
    SavePicture(fsdir + "/a/photo.png", FIF_PNG, 37, 23, px);
    SavePicture(fsdir + "/a/icon.png", FIF_PNG, 3, 1, {{255, 0, 0}, {0, 0, 255}, {0, 0, 0}}, {0, 128, 255});
    SavePicture(fsdir + "/a/shot.jpg", FIF_JPEG, 37, 23, px, {}, JPEG_QUALITYGOOD);
    SavePicture(fsdir + "/b/anim.gif", FIF_GIF, 37, 23, px);
    SavePicture(fsdir + "/b/scan.tif", FIF_TIFF, 5, 4, Gradient(5, 4));
    WriteFile(fsdir + "/b/raw.bmp", MakeBmp(3, 2, 24, Gradient(3, 2)));
    WriteFile(fsdir + "/b/junk.jpg", "not a picture at all");
    const std::string png = ReadFile(fsdir + "/a/photo.png");
    WriteFile(fsdir + "/b/cut.png", png.substr(0, png.size() / 2));
    WriteFile(fsdir + "/c/page.htm", "<body>a page</body>");
    WriteFile(fsdir + "/c/notes.txt", "notes");

    const std::string real = prog.dir + "/glimmet.real";
    fs::rename(prog.dir + "/glimmet", real);
    const std::string log = "echo \"$*\" >> " + (tmp / "calls.log") + "\n";
    const std::string mark = "# " + std::string(kGlimmetGreeting);  // in the script's bytes
    const struct {
        const char* what;
        std::string script;  // empty: the real glimmet itself
        bool served;
    } kinds[] = {
        {"the project's own glimmet, served", "", true},
        {"another make's glimmet", log + "exec " + real + " \"$@\"\n", false},
        {"a marked glimmet that does not greet",
         mark + "[ \"$1\" = --serve ] && exit 0\n" + log + "exec " + real + " \"$@\"\n", false},
        {"a marked glimmet that greets and then ends",
         mark + "if [ \"$1\" = --serve ]; then printf '%s' '" + std::string(kGlimmetGreeting) + "' >&0; exit 0; fi\n" +
             log + "exec " + real + " \"$@\"\n",
         false},
    };
    std::string firstRom, firstOut, firstErr;
    for (const auto& kind : kinds) {
        SCOPED_TRACE(kind.what);
        fs::remove(tmp / "calls.log");
        fs::remove(prog.dir + "/tmp.bmp");
        if (kind.script.empty()) {
            fs::copy_file(real, prog.dir + "/glimmet", fs::copy_options::overwrite_existing);
        } else {
            FakeGlimmet(kind.script);
        }
        const Package p = Build();
        ASSERT_TRUE(p.ok()) << p.problem;
        EXPECT_TRUE(Listed("Error(s): 2  warning(s): 0\n")) << result.out;  // junk.jpg and cut.png
        EXPECT_EQ(Find(p, "\\a\\photo.png"), Picture16(37, 23, px));
        if (firstRom.empty()) {
            firstRom = ReadFile(tmp / "out.rom");
            firstOut = result.out;
            firstErr = result.err;
        } else {
            EXPECT_EQ(ReadFile(tmp / "out.rom"), firstRom);
            EXPECT_EQ(result.out, firstOut);
            EXPECT_EQ(result.err, firstErr);
        }
        EXPECT_EQ(fs::exists(prog.dir + "/tmp.bmp"), !kind.served);
        const std::string calls = fs::exists(tmp / "calls.log") ? ReadFile(tmp / "calls.log") : "";
        if (!kind.served) {
            // One per picture that is not a BMP, each as `glimmet SOURCE /convert=TARGET`.
            EXPECT_EQ(std::count(calls.begin(), calls.end(), '\n'), 7) << calls;
            EXPECT_EQ(calls.find("--serve"), std::string::npos) << calls;
            EXPECT_NE(calls.find(fsdir + "/a/photo.png /convert=" + prog.dir + "/tmp.bmp\n"), std::string::npos)
                << calls;
        }
    }
    EXPECT_NE(firstErr.find("glimmet: cannot read " + fsdir + "/b/junk.jpg"), std::string::npos) << firstErr;
}

TEST_F(Conversion, TemporaryPictureThatCannotBeCreatedFailsTheEntry) {
    // transFile.jpg is a folder: it cannot be removed to make the converted picture anew, so the
    // entry fails before anything of it is packed.
    WriteFile(prog.dir + "/transFile.jpg/keep", "k");
    WriteFile(fsdir + "/a.bmp", MakeBmp(1, 1, 24, {{1, 2, 3}}));
    WriteFile(fsdir + "/b.txt", "b");
    const Package p = Build();
    ASSERT_TRUE(p.ok()) << p.problem;
    EXPECT_TRUE(Listed("\nERROR: cannot remove " + prog.dir + "/transFile.jpg: Is a directory\n - 0 [[[ Error ]]]\n"))
        << result.out;
    EXPECT_EQ(Names(p), std::vector<std::string>{"\\b.txt"});
}

TEST(Binding, LindquayDoesNotStartWithoutMarletBesideIt) {
    Sandbox tmp;
    ProgramFolder prog(tmp / "prog");
    fs::remove(prog.dir + "/libmarlet.so");
    RunResult r = RunProgram({prog.lindquay, "fs", "out.rom"}, tmp.path());
    EXPECT_NE(r.exitCode, 0);
    EXPECT_NE(r.err.find("libmarlet.so"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
}

TEST(Glimmet, WritesUncompressedBottomUp24BitBmp) {
    Sandbox tmp;
    const auto px = Gradient(5, 3);
    SavePicture(tmp / "in file.png", FIF_PNG, 5, 3, px);
    RunResult r = RunProgram({GLIMMET_BIN, tmp / "in file.png", "/convert=" + (tmp / "out.bmp")}, tmp.path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string b = ReadFile(tmp / "out.bmp");
    ASSERT_GE(b.size(), 54u);
    EXPECT_EQ(b.substr(0, 2), "BM");
    EXPECT_EQ(Le16(b, 28), 24);
    EXPECT_EQ(Le32(b, 30), 0u);
    EXPECT_EQ(static_cast<std::int32_t>(Le32(b, 22)), 3);
    std::ostringstream o;
    ASSERT_EQ(lindquay::LoadBmp16(tmp / "out.bmp", tmp / "p16", o), 0);
    EXPECT_EQ(ReadFile(tmp / "p16"), Picture16(5, 3, px));
}

TEST(Glimmet, SixteenBitsPerChannelPng) {
    Sandbox tmp;
    FIBITMAP* dib = FreeImage_AllocateT(FIT_RGB16, 2, 1);
    auto* px = reinterpret_cast<FIRGB16*>(FreeImage_GetScanLine(dib, 0));
    px[0] = {0xFFFF, 0x0000, 0x1234};
    px[1] = {0x0800, 0x7FFF, 0xFFFF};
    ASSERT_TRUE(FreeImage_Save(FIF_PNG, dib, (tmp / "deep.png").c_str(), 0));
    FreeImage_Unload(dib);
    RunResult r = RunProgram({GLIMMET_BIN, tmp / "deep.png", "/convert=" + (tmp / "out.bmp")}, tmp.path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::ostringstream o;
    ASSERT_EQ(lindquay::LoadBmp16(tmp / "out.bmp", tmp / "p16", o), 0);
    EXPECT_EQ(ReadFile(tmp / "p16"), Picture16(2, 1, {{0xFF, 0x00, 0x12}, {0x08, 0x7F, 0xFF}}));
}

TEST(Glimmet, FailuresExitNonZeroWithOneLine) {
    Sandbox tmp;
    WriteFile(tmp / "junk.png", "this is not a picture");
    const std::vector<std::vector<std::string>> cases = {
        {GLIMMET_BIN},
        {GLIMMET_BIN, tmp / "junk.png"},
        {GLIMMET_BIN, tmp / "junk.png", "-convert=" + (tmp / "o.bmp")},
        {GLIMMET_BIN, tmp / "junk.png", "/convert=" + (tmp / "o.bmp")},
        {GLIMMET_BIN, tmp / "missing.png", "/convert=" + (tmp / "o.bmp")},
    };
    for (const auto& argv : cases) {
        RunResult r = RunProgram(argv, tmp.path());
        EXPECT_NE(r.exitCode, 0) << argv.size();
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(r.err.rfind("glimmet: ", 0), 0u) << r.err;
    }
    EXPECT_FALSE(fs::exists(tmp / "o.bmp"));
    SavePicture(tmp / "ok.png", FIF_PNG, 1, 1, {{1, 2, 3}});
    RunResult r = RunProgram({GLIMMET_BIN, tmp / "ok.png", "/convert=" + (tmp / "no/dir/o.bmp")}, tmp.path());
    EXPECT_NE(r.exitCode, 0);
    EXPECT_EQ(r.err.rfind("glimmet: cannot write", 0), 0u) << r.err;
}

}  // namespace
