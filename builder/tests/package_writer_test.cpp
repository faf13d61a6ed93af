// The package writer and the driver, run in-process through the seams.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <sstream>

#include "host.h"
#include "lindquay.h"
#include "package_writer.h"
#include "testsupport/package.h"
#include "testsupport/pictures.h"
#include "testsupport/sandbox.h"

using namespace testsupport;
namespace fs = std::filesystem;
using lindquay::DriverHooks;
using lindquay::FolderListing;
using lindquay::PackageOutput;

namespace {

// Wraps the real output and fails the writes that `failWhen` picks.
class FailingOutput final : public PackageOutput {
public:
    FailingOutput(std::unique_ptr<PackageOutput> real, std::function<bool(const std::string&)> failWhen)
        : real_(std::move(real)), failWhen_(std::move(failWhen)) {}
    bool Write(const void* data, std::size_t size) override {
        if (failWhen_(std::string(static_cast<const char*>(data), size))) return false;
        return real_->Write(data, size);
    }
    std::uint64_t Tell() const override { return real_->Tell(); }
    bool Seek(std::uint64_t p) override { return real_->Seek(p); }
    bool Truncate(std::uint64_t size) override { return real_->Truncate(size); }
    bool Close() override { return real_->Close(); }

private:
    std::unique_ptr<PackageOutput> real_;
    std::function<bool(const std::string&)> failWhen_;
};

class Build : public ::testing::Test {
protected:
    Sandbox tmp;
    std::string prog = tmp / "prog";
    std::string fsdir = tmp / "fs";
    std::string rom = tmp / "out.rom";
    DriverHooks hooks;
    std::string listing;

    void SetUp() override {
        fs::create_directories(prog);
        fs::create_directories(fsdir);
        WriteFile(prog + "/Lindquay.rom", Pattern(1000));
        hooks.programPath = prog + "/Lindquay";
    }
    void Put(const std::string& rel, const std::string& bytes) { WriteFile(fsdir + "/" + rel, bytes); }
    int Run(std::vector<std::string> args = {}) {
        if (args.empty()) args = {fsdir, rom};
        std::ostringstream out;
        std::istringstream in;
        int rc = lindquay::RunLindquay(args, out, in, hooks);
        listing = out.str();
        return rc;
    }
    Package Pkg() { return ReadPackage(rom); }
    bool Listed(const std::string& text) const { return listing.find(text) != std::string::npos; }
    static std::string Line(const std::string& r, const std::string& tail) {
        return "      : " + r + (r.size() <= 50 ? std::string(52 - r.size(), ' ') : "") + tail;
    }
};

TEST_F(Build, EmptyTreeIsOnlyTheEndRecordAfterAZeroGap) {
    ASSERT_EQ(Run(), 0);
    const std::string out = ReadFile(rom);
    ASSERT_EQ(out.size(), 0x30000u + 272);
    EXPECT_EQ(out.substr(0, 1000), Pattern(1000));
    EXPECT_EQ(out.find_first_not_of('\0', 1000), std::string::npos);
    EXPECT_TRUE(Listed("TotalDir: 0,  totalFile: 0\nRomFile Size: 192 KB\n\nError(s): 0  warning(s): 0\n"));
}

TEST_F(Build, GoldenPackagesAndListings) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> files;
    };
    const Case cases[] = {
        {"abc", {{"a.txt", "abc"}}},
        {"order", {{"z.txt", "zzz"}, {"sub/x.txt", "x"}, {"sub/inner/y.txt", "yy"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(fsdir);
        fs::create_directories(fsdir);
        for (const auto& [rel, bytes] : c.files) Put(rel, bytes);
        ASSERT_EQ(Run(), 0);
        const std::string golden = std::string(BUILDER_TEST_DATA) + "/" + c.name;
        const std::string out = ReadFile(rom);
        EXPECT_EQ(out.substr(lindquay::kPackageOffset), ReadFile(golden + ".pkg"));
        EXPECT_EQ(listing, ReadFile(golden + ".listing"));
    }
    EXPECT_EQ(fs::file_size(rom), 0x30000u + ReadFile(std::string(BUILDER_TEST_DATA) + "/order.pkg").size());
}

TEST_F(Build, NamesSortBytewiseFoldersFirst) {
    for (const char* f : {"Beta", "alpha", "Alpha", "abc", "ab", "Z", "\xc3\xa9t\xc3\xa9"}) Put(f, "1");
    Put("zdir/f", "1");
    Put("Adir/f", "1");
    ASSERT_EQ(Run(), 0);
    const std::vector<std::string> want = {
        "\\Adir", "\\Adir\\f", "\\zdir",  "\\zdir\\f",          "\\Alpha", "\\Beta", "\\Z",
        "\\ab",   "\\abc",     "\\alpha", "\\\xc3\xa9t\xc3\xa9"};
    Package p = Pkg();
    ASSERT_TRUE(p.ok()) << p.problem;
    EXPECT_EQ(Names(p), want);
}

TEST_F(Build, DataSizesAroundTheBlockAndFillByte) {
    const std::size_t sizes[] = {1, 2, 1023, 1024, 1025, 65536, 200001};
    for (std::size_t s : sizes) Put("f" + std::to_string(100000 + s), Pattern(s, static_cast<unsigned>(s)));
    ASSERT_EQ(Run(), 0);
    Package p = Pkg();
    ASSERT_TRUE(p.ok()) << p.problem;
    ASSERT_EQ(p.items.size(), std::size(sizes));
    for (std::size_t i = 0; i < p.items.size(); ++i)
        EXPECT_EQ(p.items[i].data, Pattern(sizes[i], static_cast<unsigned>(sizes[i]))) << p.items[i].name;
    // A 1-byte file: the next record starts 272 + 1 + 1 bytes later.
    const std::string out = ReadFile(rom);
    EXPECT_EQ(out[0x30000 + 273], '!');
    EXPECT_EQ(out.substr(0x30000 + 274, 8), "\\f100002");
}

TEST_F(Build, EmptyFileWarnsAndIsNotPacked) {
    Put("empty.txt", "");
    Put("full.txt", "x");
    ASSERT_EQ(Run(), 0);
    EXPECT_TRUE(Listed(Line("\\empty.txt", " - 0  <WARNING>\n")));
    EXPECT_TRUE(Listed("totalFile: 2\n"));
    EXPECT_TRUE(Listed("Error(s): 0  warning(s): 1\n"));
    EXPECT_EQ(Names(Pkg()), std::vector<std::string>{"\\full.txt"});
}

TEST_F(Build, HiddenFilesAndFoldersArePacked) {
    Put(".hidden", "h");
    Put(".dir/x", "x");
    ASSERT_EQ(Run(), 0);
    EXPECT_EQ(Names(Pkg()), (std::vector<std::string>{"\\.dir", "\\.dir\\x", "\\.hidden"}));
}

TEST_F(Build, LongerBaseRomKeepsItsTail) {
    const std::string base = Pattern(300000, 3);
    WriteFile(prog + "/Lindquay.rom", base);
    Put("a.txt", "abc");
    ASSERT_EQ(Run(), 0);
    const std::string out = ReadFile(rom);
    ASSERT_EQ(out.size(), base.size());
    Package p = Pkg();
    ASSERT_TRUE(p.ok()) << p.problem;
    EXPECT_EQ(out.substr(0, 0x30000), base.substr(0, 0x30000));
    EXPECT_EQ(out.substr(p.end), base.substr(p.end));
    EXPECT_TRUE(Listed("RomFile Size: 292 KB\n"));
}

TEST_F(Build, ShellTreeComesFirstNamedFromTheProgramFolder) {
    WriteFile(prog + "/.shell/icons/a.dat", "icon");
    WriteFile(prog + "/.shell/b.dat", "b");
    Put("x.txt", "x");
    ASSERT_EQ(Run(), 0);
    EXPECT_EQ(Names(Pkg()),
              (std::vector<std::string>{"\\.shell\\icons", "\\.shell\\icons\\a.dat", "\\.shell\\b.dat", "\\x.txt"}));
    EXPECT_TRUE(Listed("TotalDir: 1,  totalFile: 3\n"));
}

TEST_F(Build, TrailingSlashesAndRelativePathsGiveTheSameBytes) {
    Put("sub/x.txt", "x");
    ASSERT_EQ(Run(), 0);
    const std::string first = ReadFile(rom);
    ASSERT_EQ(Run({fsdir + "//", rom}), 0);
    EXPECT_EQ(ReadFile(rom), first);
    fs::current_path(tmp.path());
    ASSERT_EQ(Run({"./fs/../fs/", "out.rom"}), 0);
    EXPECT_EQ(ReadFile(rom), first);
}

TEST_F(Build, MissingFsDirWarnsAndStillSucceeds) {
    WriteFile(prog + "/.shell/s.dat", "s");
    ASSERT_EQ(Run({tmp / "nowhere", rom}), 0);
    EXPECT_TRUE(Listed("WARNING: FSDir " + (tmp / "nowhere") + "/ does not exist; nothing packed from it\n"));
    EXPECT_TRUE(Listed("Error(s): 0  warning(s): 1\n"));
    EXPECT_EQ(Names(Pkg()), std::vector<std::string>{"\\.shell\\s.dat"});
}

TEST_F(Build, NoShellFolderIsSilent) {
    Put("x", "x");
    ASSERT_EQ(Run(), 0);
    EXPECT_TRUE(Listed("Error(s): 0  warning(s): 0\n"));
}

TEST_F(Build, UnlistableFolderIsReportedAndTheWalkGoesOn) {
    WriteFile(prog + "/.shell/locked/s.dat", "s");
    WriteFile(prog + "/.shell/t.dat", "t");
    Put("a/1.txt", "1");
    Put("b/2.txt", "2");
    Put("c/3.txt", "3");
    Put("top.txt", "t");
    hooks.lister = [](const std::string& path) {
        FolderListing l = lindquay::ListFolder(path);
        if (path.ends_with("/b/") || path.ends_with("/locked/")) l = FolderListing{EACCES, {}, {}, {}};
        return l;
    };
    ASSERT_EQ(Run(), 0);
    EXPECT_TRUE(Listed("[DIR] : \\b\nERROR: cannot list folder \\b: Permission denied\n"));
    EXPECT_TRUE(Listed("Error(s): 2  warning(s): 0\n"));
    Package p = Pkg();
    ASSERT_TRUE(p.ok()) << p.problem;
    EXPECT_EQ(Names(p), (std::vector<std::string>{"\\.shell\\locked", "\\.shell\\t.dat", "\\a", "\\a\\1.txt", "\\b",
                                                  "\\c", "\\c\\3.txt", "\\top.txt"}));
}

TEST_F(Build, UnlistableRootIsAnError) {
    hooks.lister = [](const std::string&) { return FolderListing{EIO, {}, {}, {}}; };
    ASSERT_EQ(Run(), 0);
    EXPECT_TRUE(Listed("ERROR: cannot list folder " + fsdir + "/: Input/output error\n"));
    EXPECT_TRUE(Listed("Error(s): 2  warning(s): 0\n"));  // ".shell" and FSDir
    EXPECT_TRUE(Pkg().ok());
}

TEST_F(Build, NamesThatDoNotFitTheRecordFail) {
    const std::string d(100, 'd');
    Put(d + "/" + std::string(157, 'f'), "fits");  // 1 + 100 + 1 + 157 = 259 bytes
    Put(d + "/" + std::string(158, 'g'), "too long");
    Put(std::string(100, 'e') + "/" + std::string(160, 'h') + "/x", "below a long folder");
    Put("z.txt", "z");
    ASSERT_EQ(Run(), 0);
    EXPECT_TRUE(
        Listed("\\" + d + "\\" + std::string(158, 'g') + "\nERROR: name longer than 259 bytes\n - 0 [[[ Error ]]]\n"));
    EXPECT_TRUE(
        Listed(std::string(160, 'h') + "\nERROR: name longer than 259 bytes; folder not packed\n - !!! Error !!!\n"));
    EXPECT_TRUE(Listed("Error(s): 2  warning(s): 0\n"));
    Package p = Pkg();
    ASSERT_TRUE(p.ok()) << p.problem;
    EXPECT_EQ(Names(p), (std::vector<std::string>{"\\" + d, "\\" + d + "\\" + std::string(157, 'f'),
                                                  "\\" + std::string(100, 'e'), "\\z.txt"}));
}

// A name may hold "\\" on this host: packed, it would stand for other folders, or for "..".
TEST_F(Build, NamesHoldingTheSeparatorFail) {
    for (const char* name : {"a\\b.txt", "..\\evil", "\\lead", "trail\\"}) Put(name, "x");
    Put("d\\e/f", "in a folder that is not packed");
    Put("ok/f", "f");
    ASSERT_EQ(Run(), 0);
    EXPECT_TRUE(Listed(
        Line("\\..\\evil", "\nERROR: name holds a \"\\\", the package's folder separator\n - 0 [[[ Error ]]]\n")));
    EXPECT_TRUE(
        Listed("[DIR] : \\d\\e\nERROR: name holds a \"\\\", the package's folder separator; folder not packed\n"
               " - !!! Error !!!\n"));
    EXPECT_TRUE(Listed("Error(s): 5  warning(s): 0\n"));
    const Package p = Pkg();
    ASSERT_TRUE(p.ok()) << p.problem;
    EXPECT_EQ(Names(p), (std::vector<std::string>{"\\ok", "\\ok\\f"}));
}

// Two items of one name: FSDir's own .shell next to the program's, and a listing that names a
// file twice.
TEST_F(Build, NamesUsedTwiceFail) {
    WriteFile(prog + "/.shell/a.txt", "the program's");
    Put(".shell/a.txt", "FSDir's");
    Put("x.txt", "x");
    hooks.lister = [&](const std::string& path) {
        FolderListing l = lindquay::ListFolder(path);
        if (path == fsdir + "/") l.files.push_back("x.txt");
        return l;
    };
    ASSERT_EQ(Run(), 0);
    EXPECT_TRUE(Listed("[DIR] : \\.shell\nERROR: the name is used already in the package; folder not packed\n"));
    EXPECT_TRUE(Listed(Line("\\x.txt", "\nERROR: the name is used already in the package\n - 0 [[[ Error ]]]\n")));
    EXPECT_TRUE(Listed("Error(s): 2  warning(s): 0\n"));
    const Package p = Pkg();
    ASSERT_TRUE(p.ok()) << p.problem;
    EXPECT_EQ(Names(p), (std::vector<std::string>{"\\.shell\\a.txt", "\\x.txt"}));
}

TEST_F(Build, FileOf4GiBFailsWithoutBeingRead) {
    {
        WriteFile(fsdir + "/big.bin", "");
        ASSERT_EQ(::truncate((fsdir + "/big.bin").c_str(), 0x100000000LL), 0);  // sparse
    }
    Put("small.txt", "s");
    ASSERT_EQ(Run(), 0);
    EXPECT_TRUE(Listed(Line("\\big.bin", "\nERROR: file of 4 GiB or more cannot be packed\n - 0 [[[ Error ]]]\n")));
    EXPECT_EQ(Names(Pkg()), std::vector<std::string>{"\\small.txt"});
}

TEST_F(Build, FolderLoopsThroughLinksEndWithAnError) {
    Put("sub/f.txt", "f");
    fs::create_directory_symlink("..", fsdir + "/sub/up");
    fs::create_directory_symlink(".", fsdir + "/self");
    fs::create_directory_symlink(fsdir + "/sub", fsdir + "/alias");  // not a loop: packed twice
    ASSERT_EQ(Run(), 0);
    EXPECT_TRUE(
        Listed("[DIR] : \\self\nERROR: folder is its own ancestor through a link; not followed\n - !!! Error !!!\n"));
    EXPECT_TRUE(Listed("[DIR] : \\sub\\up\nERROR: folder is its own ancestor"));
    Package p = Pkg();
    ASSERT_TRUE(p.ok()) << p.problem;
    EXPECT_EQ(Names(p), (std::vector<std::string>{"\\alias", "\\alias\\f.txt", "\\sub", "\\sub\\f.txt"}));
}

TEST_F(Build, SpecialFilesAndBrokenLinksFailTheirEntry) {
    ASSERT_EQ(::mkfifo((fsdir + "/pipe").c_str(), 0600), 0);
    fs::create_symlink(fsdir + "/gone", fsdir + "/broken");
    Put("ok", "o");
    ASSERT_EQ(Run(), 0);
    EXPECT_TRUE(Listed(Line("\\pipe", "\nERROR: not a regular file\n - 0 [[[ Error ]]]\n")));
    EXPECT_TRUE(Listed(Line("\\broken", "\nERROR: cannot read: No such file or directory\n")));
    EXPECT_EQ(Names(Pkg()), std::vector<std::string>{"\\ok"});
}

TEST_F(Build, OutputRomInsidePackedTreeIsSkipped) {
    Put("a.txt", "a");
    rom = fsdir + "/out.rom";
    ASSERT_EQ(Run(), 0);  // the first build: the new ROM has no name in the tree yet
    EXPECT_EQ(Names(Pkg()), std::vector<std::string>{"\\a.txt"});
    ASSERT_EQ(Run(), 0);
    EXPECT_TRUE(Listed(Line("\\out.rom", " - 0  <WARNING> the output ROM is not packed into itself\n")));
    EXPECT_EQ(Names(Pkg()), std::vector<std::string>{"\\a.txt"});
}

// Where the item lay, the base ROM's own bytes come back (or, past its end, nothing).
TEST_F(Build, FailedItemIsTakenBack) {
    const std::string base = Pattern(0x30000 + 300, 4);
    WriteFile(prog + "/Lindquay.rom", base);
    Put("a.txt", "aaa");
    Put("b.txt", std::string(100000, 'B'));
    Put("c.txt", "ccc");
    hooks.openOutput = [](const std::string& path) -> std::unique_ptr<PackageOutput> {
        return std::make_unique<FailingOutput>(lindquay::OpenOutputFile(path),
                                               [blocks = 0](const std::string& b) mutable {
                                                   // the second block of b.txt, after 64 KiB of it were written
                                                   return b.rfind("BBB", 0) == 0 && ++blocks == 2;
                                               });
    };
    ASSERT_EQ(Run(), 0);
    EXPECT_TRUE(Listed(
        Line("\\b.txt", " - 100000\nERROR: cannot write the output ROM; item taken back\n - 0 [[[ Error ]]]\n")));
    EXPECT_TRUE(Listed("Error(s): 1  warning(s): 0\n"));
    Package p = Pkg();
    ASSERT_TRUE(p.ok()) << p.problem;
    EXPECT_EQ(Names(p), (std::vector<std::string>{"\\a.txt", "\\c.txt"}));
    const std::string out = ReadFile(rom);
    ASSERT_EQ(out.size(), p.end);  // nothing of b.txt after the end record
    EXPECT_EQ(out.substr(0, 0x30000), base.substr(0, 0x30000));
    WriteFile(prog + "/Lindquay.rom", base + Pattern(200000, 5));
    ASSERT_EQ(Run(), 0);
    EXPECT_EQ(ReadFile(rom).substr(p.end), (base + Pattern(200000, 5)).substr(p.end));
}

TEST_F(Build, TemporaryFileThatCannotBeDeletedTakesTheItemBack) {
    const struct {
        const char* name;
        std::string bytes;
        const char* temporary;
        std::size_t packedSize;
    } cases[] = {
        {"a.bmp", MakeBmp(1, 1, 24, {{1, 2, 3}}), "transFile.jpg", 16},
        {"page.htm", "<body>text", "tmp.htm", 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(fsdir);
        Put(c.name, c.bytes);
        Put("z.txt", "z");
        const std::string temporary = prog + "/" + c.temporary;
        // Only once it was written: the removal before it is written finds nothing.
        hooks.removeFile = [&](const std::string& path) {
            return path == temporary && fs::exists(path) ? EACCES : lindquay::RemoveFile(path);
        };
        ASSERT_EQ(Run(), 0);
        EXPECT_TRUE(Listed(Line("\\" + std::string(c.name),
                                " - " + std::to_string(c.packedSize) + "\nERROR: cannot delete " + temporary +
                                    ": Permission denied; item taken back\n - 0 [[[ Error ]]]\n")))
            << listing;
        EXPECT_TRUE(Listed("Error(s): 1  warning(s): 0\n"));
        const Package p = Pkg();
        ASSERT_TRUE(p.ok()) << p.problem;
        EXPECT_EQ(Names(p), std::vector<std::string>{"\\z.txt"});
    }
}

TEST_F(Build, OutputThatCannotBeWrittenFailsTheBuild) {
    Put("a.txt", "a");
    hooks.openOutput = [](const std::string& path) -> std::unique_ptr<PackageOutput> {
        return std::make_unique<FailingOutput>(lindquay::OpenOutputFile(path), [](const std::string&) { return true; });
    };
    EXPECT_EQ(Run(), 1);
    EXPECT_TRUE(Listed("LinkFSFile: write(newRom) Error!\nError occured while Adding Source Files to Package!!!\n"));
    EXPECT_FALSE(Listed("TotalDir"));

    hooks.openOutput = [](const std::string&) { return std::unique_ptr<PackageOutput>(); };
    EXPECT_EQ(Run(), 1);
    EXPECT_TRUE(
        Listed(" FileSize\n----- : ---------------------------------------------------- - ------------\n"
               "LinkFSFile: fopen(newRom) Error!\nError occured while Adding Source Files to Package!!!\n"));
}

TEST_F(Build, ReproducibleWhateverTheListingOrder) {
    for (int i = 0; i < 40; ++i)
        Put("d" + std::to_string(i % 5) + "/f" + std::to_string(i * 7919 % 101), Pattern(i + 1, i));
    ASSERT_EQ(Run(), 0);
    const std::string first = ReadFile(rom);
    hooks.lister = [](const std::string& path) {
        FolderListing l = lindquay::ListFolder(path);
        std::reverse(l.files.begin(), l.files.end());
        std::rotate(l.folders.begin(), l.folders.begin() + static_cast<long>(l.folders.size() / 2), l.folders.end());
        return l;
    };
    ASSERT_EQ(Run(), 0);
    EXPECT_EQ(ReadFile(rom), first);
}

TEST_F(Build, SizeColumnLinesUpForNamesUpTo50) {
    const std::string r50 = std::string(49, 'n'), r51 = std::string(50, 'm');
    Put(r50, "1");
    Put(r51, "1");
    ASSERT_EQ(Run(), 0);
    const std::string l50 = "      : \\" + r50 + "   - 1\n";
    EXPECT_TRUE(Listed("\n" + l50));
    EXPECT_EQ(l50.find("1"), 63u);
    EXPECT_TRUE(Listed("\n      : \\" + r51 + " - 1\n"));
}

TEST_F(Build, ExistingOutputIsReplaced) {
    WriteFile(rom, Pattern(500000, 9));
    Put("a.txt", "abc");
    ASSERT_EQ(Run(), 0);
    EXPECT_EQ(fs::file_size(rom), 197156u);
}

}  // namespace
