// File kinds and the BMP to picture16 conversion.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "convert.h"
#include "testsupport/pictures.h"
#include "testsupport/sandbox.h"

using namespace testsupport;
namespace fs = std::filesystem;
using lindquay::FileKind;

namespace {

TEST(ClassifyFile, ExtensionRules) {
    const std::pair<const char*, FileKind> cases[] = {
        {"logo.JPG", FileKind::OtherPicture},
        {"logo.jpg", FileKind::OtherPicture},
        {"logo.jpeg", FileKind::OtherPicture},
        {"photo.tiff", FileKind::OtherPicture},
        {"a.bmpx", FileKind::OtherPicture},
        {"x.Png", FileKind::OtherPicture},
        {"a.bmp", FileKind::BmpPicture},
        {"a.BMP", FileKind::BmpPicture},
        {"page.htm", FileKind::HtmlPage},
        {"PAGE.HTML", FileKind::HtmlPage},
        {"page.html5", FileKind::Plain},
        {"page.ht", FileKind::Plain},
        {"readme", FileKind::Plain},
        {"archive.tar.gz", FileKind::Plain},
        {"notes.", FileKind::Plain},
        {"a.png.txt", FileKind::Plain},
        {"x.gi", FileKind::Plain},
        {"x.\xc3\xa9pn", FileKind::Plain},
    };
    for (const auto& [name, kind] : cases) EXPECT_EQ(lindquay::ClassifyFile(name), kind) << name;
}

class Bmp : public ::testing::Test {
protected:
    Sandbox tmp;
    std::string in = tmp / "in.bmp";
    std::string out = tmp / "transFile.jpg";
    std::string messages;
    int Convert(const std::string& bmp) {
        WriteFile(in, bmp);
        std::ostringstream o;
        int rc = lindquay::LoadBmp16(in, out, o);
        messages = o.str();
        return rc;
    }
};

TEST_F(Bmp, ThreeByTwoGetsFillPixels) {
    const std::vector<Rgb> px = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}, {8, 16, 24}, {7, 7, 7}};
    ASSERT_EQ(Convert(MakeBmp(3, 2, 24, px)), 0) << messages;
    const std::string p = ReadFile(out);
    ASSERT_EQ(p.size(), 8u + 16u);
    EXPECT_EQ(p.substr(0, 8), std::string("BM\x10\0\x04\0\x02\0", 8));
    EXPECT_EQ(Le16(p, 8 + 2 * 3), 0);
    EXPECT_EQ(Le16(p, 8 + 2 * 7), 0);
    EXPECT_EQ(p, Picture16(3, 2, px));
}

TEST_F(Bmp, ColourFormula) {
    const std::pair<Rgb, std::uint16_t> cases[] = {
        {{255, 255, 255}, 0x7FFF},
        {{255, 0, 0}, 0x001F},
        {{0, 0, 255}, 0x7C00},
        {{0, 255, 0}, 0x03E0},
        {{7, 7, 7}, 0x0000},
        {{8, 8, 8}, 0x0421},
        {{15, 200, 100}, (100 >> 3) << 10 | (200 >> 3) << 5 | 1},
    };
    for (const auto& [colour, value] : cases) {
        ASSERT_EQ(Convert(MakeBmp(4, 1, 24, std::vector<Rgb>(4, colour))), 0);
        EXPECT_EQ(Le16(ReadFile(out), 8), value) << int(colour.r) << "," << int(colour.g) << "," << int(colour.b);
    }
}

TEST_F(Bmp, DepthsAndRowOrders) {
    std::vector<Rgb> px;
    for (int i = 0; i < 5 * 3; ++i)
        px.push_back({static_cast<std::uint8_t>(i * 17), static_cast<std::uint8_t>(255 - i * 9),
                      static_cast<std::uint8_t>(i * 40 % 256)});
    std::vector<Rgb> palette(256), indices;
    for (int i = 0; i < 256; ++i)
        palette[i] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i * 3),
                      static_cast<std::uint8_t>(255 - i)};
    std::vector<Rgb> viaPalette;
    for (int i = 0; i < 15; ++i) {
        const auto index = static_cast<std::uint8_t>(i * 16 + 3);
        indices.push_back({index, 0, 0});
        viaPalette.push_back(palette[index]);
    }
    struct Case {
        const char* name;
        std::string bmp;
        const std::vector<Rgb>& want;
    } cases[] = {
        {"24-bit bottom-up", MakeBmp(5, 3, 24, px), px},
        {"24-bit top-down", MakeBmp(5, 3, 24, px, true), px},
        {"32-bit bottom-up", MakeBmp(5, 3, 32, px), px},
        {"32-bit top-down", MakeBmp(5, 3, 32, px, true), px},
        {"8-bit palette", MakeBmp(5, 3, 8, indices, false, palette), viaPalette},
        {"8-bit palette top-down", MakeBmp(5, 3, 8, indices, true, palette), viaPalette},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(Convert(c.bmp), 0) << c.name << messages;
        EXPECT_EQ(ReadFile(out), Picture16(5, 3, c.want)) << c.name;
    }
}

TEST_F(Bmp, TallPictureReadInSeveralBlocks) {
    std::vector<Rgb> px;
    for (int i = 0; i < 300 * 1000; ++i)
        px.push_back(
            {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i / 300), static_cast<std::uint8_t>(i / 7)});
    ASSERT_EQ(Convert(MakeBmp(300, 1000, 24, px)), 0);
    EXPECT_EQ(ReadFile(out), Picture16(300, 1000, px));
    ASSERT_EQ(Convert(MakeBmp(300, 1000, 24, px, true)), 0);
    EXPECT_EQ(ReadFile(out), Picture16(300, 1000, px));
}

TEST_F(Bmp, BadBitmapsFailTheirEntryWithAMessage) {
    const std::string good = MakeBmp(4, 2, 24, std::vector<Rgb>(8, Rgb{1, 2, 3}));
    auto with = [&](auto patch) {
        std::string b = good;
        patch(b);
        return b;
    };
    const std::pair<std::string, std::string> cases[] = {
        {"not a picture at all", "\nERROR: not a BMP file\n"},
        {good.substr(0, 40), "\nERROR: BMP header is truncated\n"},
        {with([](std::string& b) { Poke16(b, 30, 1); }),
         "\nERROR: compressed BMP not supported (8 bits per pixel, RLE)\n"},
        {with([](std::string& b) {
             Poke16(b, 28, 32);
             Poke16(b, 30, 3);
         }),
         "\nERROR: compressed BMP not supported (32 bits per pixel with bit-field masks)\n"},
        {"\x89PNG\r\n\x1a\n" + good, "\nERROR: not a BMP file (a PNG picture)\n"},
        {"\xFF\xD8\xFF\xE0" + good, "\nERROR: not a BMP file (a JPEG picture)\n"},
        {with([](std::string& b) { Poke32(b, 30, 0x00020000); }), ""},  // upper half is not looked at
        {with([](std::string& b) { Poke16(b, 28, 1); }), "\nERROR: BMP of 1 bits per pixel not supported\n"},
        {with([](std::string& b) { Poke16(b, 28, 4); }), "\nERROR: BMP of 4 bits per pixel not supported\n"},
        {with([](std::string& b) { Poke16(b, 28, 16); }), "\nERROR: BMP of 16 bits per pixel not supported\n"},
        {with([](std::string& b) { Poke32(b, 14, 12); }), "\nERROR: BMP header of 12 bytes not supported\n"},
        {with([](std::string& b) { Poke32(b, 18, 0); }), "\nERROR: BMP of 0 x 2 pixels is not valid\n"},
        {with([](std::string& b) { Poke32(b, 18, 0x80000000u); }),
         "\nERROR: BMP of -2147483648 x 2 pixels is not valid\n"},
        {with([](std::string& b) { Poke32(b, 22, 0); }), "\nERROR: BMP of 4 x 0 pixels is not valid\n"},
        {with([](std::string& b) { Poke32(b, 18, 65533); }), "\nERROR: BMP of 65533 x 2 pixels is too large\n"},
        {with([](std::string& b) { Poke32(b, 22, 0x80000000u); }),
         "\nERROR: BMP of 4 x 2147483648 pixels is too large\n"},
        {with([](std::string& b) {
             Poke32(b, 18, 65532);
             Poke32(b, 22, 65535);
         }),
         "\nERROR: READLEN NOT EQUARE WANTED!  24\n"},  // no allocation of the claimed size
        {good.substr(0, good.size() - 1), "\nERROR: READLEN NOT EQUARE WANTED!  23\n"},
        {with([](std::string& b) { Poke32(b, 10, 0xFFFFFFF0u); }), "\nERROR: READLEN NOT EQUARE WANTED!  0\n"},
    };
    for (const auto& [bmp, message] : cases) {
        fs::remove(out);
        const int rc = Convert(bmp);
        EXPECT_EQ(messages, message);
        EXPECT_EQ(rc, message.empty() ? 0 : 1) << message;
        EXPECT_EQ(fs::exists(out), message.empty()) << message;
    }
}

TEST_F(Bmp, WidthUpToTheFieldLimitIsAccepted) {
    ASSERT_EQ(Convert(MakeBmp(65532, 1, 24, std::vector<Rgb>(65532, Rgb{255, 255, 255}))), 0) << messages;
    const std::string p = ReadFile(out);
    EXPECT_EQ(Le16(p, 4), 65532);
    EXPECT_EQ(p.size(), 8u + 65532u * 2);
}

TEST_F(Bmp, MissingBitmapFails) {
    std::ostringstream o;
    EXPECT_EQ(lindquay::LoadBmp16(tmp / "none.bmp", out, o), 1);
    EXPECT_EQ(o.str(), "\nERROR: cannot open the bitmap: No such file or directory\n");
}

TEST_F(Bmp, OutputThatCannotBeCreatedFails) {
    WriteFile(in, MakeBmp(1, 1, 24, {{1, 1, 1}}));
    std::ostringstream o;
    EXPECT_EQ(lindquay::LoadBmp16(in, tmp / "no/such/dir/transFile.jpg", o), 1);
    EXPECT_NE(o.str().find("\nERROR: cannot create "), std::string::npos);
}

}  // namespace
