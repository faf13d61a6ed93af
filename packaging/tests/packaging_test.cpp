// The installed toolkit, checked the way a user meets it: the launchers on PATH started from an
// unrelated folder with a home of their own, in a prefix installation and in the unpacked .deb.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <sstream>

#include "testsupport/run_program.h"
#include "testsupport/sandbox.h"

namespace {

using namespace testsupport;
namespace fs = std::filesystem;

struct Tree {
    const char* name;
    std::string root;  // the installation prefix
};

// Names the tree in the test names.
void PrintTo(const Tree& tree, std::ostream* out) { *out << tree.name; }

const Tree kPrefix{"Prefix", PREFIX_TREE};
const Tree kDeb{"Deb", DEB_TREE "/root/usr"};
const std::string kTemplate = "lib/corvamo";

// Every entry below `dir`: "name/" for a folder, "name -> target" for a link, "name" otherwise.
std::set<std::string> Listing(const std::string& dir) {
    std::set<std::string> entries;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string relative = fs::path(it->path()).lexically_relative(dir).string();
        if (it->is_symlink())
            entries.insert(relative + " -> " + fs::read_symlink(it->path()).string());
        else
            entries.insert(relative + (it->is_directory() ? "/" : ""));
    }
    return entries;
}

std::string Joined(const std::set<std::string>& entries) {
    std::string text;
    for (const std::string& e : entries) text += e + "\n";
    return text;
}

class InstalledTree : public ::testing::TestWithParam<Tree> {
protected:
    void SetUp() override {
        ASSERT_TRUE(fs::exists(bin("corvamo"))) << "no installed tree at " << root();
        fs::create_directories(box_ / "work");
        fs::create_directories(box_ / "home");
    }
    const std::string& root() const { return GetParam().root; }
    std::string bin(const std::string& program) const { return root() + "/bin/" + program; }
    std::string userFolder() const { return box_ / "data/Corvamo"; }
    // The environment of a user with a fresh home; `extra` entries replace these.
    std::vector<std::string> env(std::vector<std::string> extra = {}) const {
        std::vector<std::string> all = {
            "HOME=" + box_ / "home", "XDG_DATA_HOME=" + box_ / "data", "XDG_CACHE_HOME=" + box_ / "cache",
            "CORVAMO_HOME=",         "LINDQUAY_PROGRAM_DIR=",          "QT_QPA_PLATFORM=offscreen"};
        for (const std::string& e : extra) {
            const std::string name = e.substr(0, e.find('=') + 1);
            std::erase_if(all, [&](const std::string& a) { return a.rfind(name, 0) == 0; });
            all.push_back(e);
        }
        return all;
    }
    RunResult run(const std::vector<std::string>& argv, const std::vector<std::string>& extra = {}) const {
        return RunProgram(argv, box_ / "work", env(extra));
    }
    // A start of the launcher that opens no window (without the workbench: Lindquay's usage).
    void start(const std::vector<std::string>& extra = {}) const {
        const RunResult r = WITH_WORKBENCH ? run({bin("corvamo"), "--version"}, extra) : run({bin("lindquay")}, extra);
        ASSERT_EQ(r.exitCode, WITH_WORKBENCH ? 0 : 1) << r.err;
    }

    Sandbox box_;
};

TEST_P(InstalledTree, TemplateHoldsTheProgramFolderAndNothingElse) {
    std::set<std::string> expected = {
        "gba/",
        "gba/.shell/",
        "gba/.shell/bmp/",
        "gba/Lindquay",
        "gba/Lindquay.rom",
        "gba/glimmet",
        "gba/lindquay-ls",
        "gba/marlet",
        "gba/libmarlet.so -> " + fs::path(LIBDIR "/libmarlet.so.0").lexically_relative(kTemplate + "/gba").string()};
    if (WITH_WORKBENCH)
        expected.insert({"Corvamo", "Skin_it.bat", "skin_txt.bat", "di3gba.bat", "cleanup.bat", "nds/"});
    EXPECT_EQ(Joined(Listing(root() + "/" + kTemplate)), Joined(expected));
}

TEST_P(InstalledTree, EverythingElseIsInItsUsualPlace) {
    const std::string id = APPSTREAM_ID;
    const std::vector<std::string> files = {"bin/corvamo",
                                            "bin/lindquay",
                                            "bin/lindquay-ls",
                                            "bin/marlet",
                                            "bin/glimmet",
                                            "include/marlet.h",
                                            LIBDIR "/libmarlet.so." PROJECT_VERSION,
                                            LIBDIR "/libmarlet.so.0",
                                            LIBDIR "/libmarlet.so",
                                            LIBDIR "/pkgconfig/marlet.pc",
                                            "share/man/man1/corvamo.1.gz",
                                            "share/man/man1/lindquay.1.gz",
                                            "share/man/man1/lindquay-ls.1.gz",
                                            "share/man/man1/marlet.1.gz",
                                            "share/man/man1/glimmet.1.gz",
                                            "share/man/man3/Marlet.3.gz",
                                            "share/doc/corvamo/copyright",
                                            "share/doc/corvamo/changelog.gz"};
    for (const std::string& file : files) EXPECT_TRUE(fs::is_regular_file(root() + "/" + file)) << file;
    if (!WITH_WORKBENCH) return;
    for (const std::string& file :
         {std::string("share/applications/corvamo.desktop"), "share/metainfo/" + id + ".metainfo.xml",
          std::string("share/icons/hicolor/scalable/apps/corvamo.svg")})
        EXPECT_TRUE(fs::is_regular_file(root() + "/" + file)) << file;
    // Each PNG is drawn at the size of the theme folder it lies in (width and height in IHDR).
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        const std::string name = std::to_string(size) + "x" + std::to_string(size);
        const std::string png = ReadFile(root() + "/share/icons/hicolor/" + name + "/apps/corvamo.png");
        ASSERT_GE(png.size(), 24u) << name;
        const auto be32 = [&](std::size_t at) {
            return (unsigned char)png[at] << 24 | (unsigned char)png[at + 1] << 16 | (unsigned char)png[at + 2] << 8 |
                   (unsigned char)png[at + 3];
        };
        EXPECT_EQ(png.substr(1, 3), "PNG") << name;
        EXPECT_EQ(be32(16), size) << name;
        EXPECT_EQ(be32(20), size) << name;
    }
}

// Where the program folder lands, by environment.
TEST_P(InstalledTree, FirstStartMakesTheProgramFolderFromTheTemplate) {
    const struct {
        std::vector<std::string> env;
        std::string folder;
    } cases[] = {
        {{}, "data/Corvamo"},
        {{"XDG_DATA_HOME="}, "home/.local/share/Corvamo"},
        {{"XDG_DATA_HOME=relative/data"}, "home/.local/share/Corvamo"},  // XDG paths must be absolute
        {{"CORVAMO_HOME=" + box_ / "mine"}, "mine"},
        {{"CORVAMO_HOME=relative"}, "work/relative"},
    };
    std::set<std::string> expected = {".template.md5", "gba/", "gba/.shell/", "gba/.shell/bmp/",
                                      "gba/Lindquay -> " + fs::canonical(bin("corvamo")).string()};
    if (WITH_WORKBENCH) expected.insert({"Skin_it.bat", "skin_txt.bat", "di3gba.bat", "cleanup.bat", "nds/"});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        start(c.env);
        EXPECT_EQ(Joined(Listing(box_ / c.folder)), Joined(expected));
        if (WITH_WORKBENCH) {
            EXPECT_EQ(ReadFile(box_ / c.folder + "/Skin_it.bat"), ReadFile(root() + "/" + kTemplate + "/Skin_it.bat"));
        }
        fs::remove_all(box_ / c.folder);
    }
}

TEST_P(InstalledTree, LaterStartsAddWhatIsMissingAndReplaceNothing) {
    start();
    const std::string home = userFolder();
    WriteFile(home + "/Skin_it.bat", "#!/bin/sh\necho my own build\n");
    WriteFile(home + "/qvkit_up.bin", "loader image");
    WriteFile(home + "/gba/Lindquay.rom", "my base ROM");
    WriteFile(home + "/nds/skin.bmp", "a skin file");
    fs::remove(home + "/cleanup.bat");
    fs::remove_all(home + "/gba/.shell");
    // The link of an installation that is gone is made again.
    fs::remove(home + "/gba/Lindquay");
    fs::create_symlink("/nonexistent/bin/corvamo", home + "/gba/Lindquay");

    start();
    EXPECT_EQ(ReadFile(home + "/Skin_it.bat"), "#!/bin/sh\necho my own build\n");
    EXPECT_EQ(ReadFile(home + "/qvkit_up.bin"), "loader image");
    EXPECT_EQ(ReadFile(home + "/gba/Lindquay.rom"), "my base ROM");
    EXPECT_EQ(ReadFile(home + "/nds/skin.bmp"), "a skin file");
    EXPECT_EQ(ReadFile(home + "/cleanup.bat"), ReadFile(root() + "/" + kTemplate + "/cleanup.bat"));
    EXPECT_TRUE(fs::is_directory(home + "/gba/.shell/bmp"));
    EXPECT_EQ(fs::read_symlink(home + "/gba/Lindquay"), fs::canonical(bin("corvamo")));
}

// A new version in the same place: what the user never touched follows it, the rest stays theirs.
TEST_P(InstalledTree, AnUpgradeReachesTheUserFolderWithoutTouchingTheirFiles) {
    if (!WITH_WORKBENCH) GTEST_SKIP() << "built without the workbench";
    const std::string installed = box_ / "installed";
    fs::copy(root(), installed, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    const std::string launcher = installed + "/bin/corvamo";
    const auto startCopy = [&] {
        const RunResult r = run({launcher, "--version"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
    };
    startCopy();
    const std::string home = userFolder();
    WriteFile(home + "/Skin_it.bat", "#!/bin/sh\necho my own build\n");

    const std::string next = installed + "/" + kTemplate;
    WriteFile(next + "/Skin_it.bat", "#!/bin/sh\necho version 2\n");
    WriteFile(next + "/cleanup.bat", "#!/bin/sh\necho cleaned by version 2\n");
    WriteFile(next + "/gba/.shell/bmp/new.bmp", "new in version 2");
    startCopy();
    EXPECT_EQ(ReadFile(home + "/Skin_it.bat"), "#!/bin/sh\necho my own build\n");
    EXPECT_EQ(ReadFile(home + "/cleanup.bat"), "#!/bin/sh\necho cleaned by version 2\n");
    EXPECT_EQ(ReadFile(home + "/gba/.shell/bmp/new.bmp"), "new in version 2");
    EXPECT_EQ(ReadFile(home + "/skin_txt.bat"), ReadFile(next + "/skin_txt.bat"));

    // Once the user has changed a file, no later version takes it back.
    WriteFile(home + "/cleanup.bat", "#!/bin/sh\necho mine now\n");
    WriteFile(next + "/cleanup.bat", "#!/bin/sh\necho cleaned by version 3\n");
    startCopy();
    EXPECT_EQ(ReadFile(home + "/cleanup.bat"), "#!/bin/sh\necho mine now\n");
}

TEST_P(InstalledTree, StartFailsClearlyWhenTheFolderCannotBeMade) {
    WriteFile(box_ / "data/Corvamo", "a file in the way");
    for (const char* launcher : {"corvamo", "lindquay"}) {
        if (!WITH_WORKBENCH && launcher == std::string("corvamo")) continue;
        const RunResult r = run({bin(launcher), "fs", "out.rom"});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err, launcher + std::string(": cannot create the program folder ") + box_ / "data/Corvamo\n");
    }
}

TEST_P(InstalledTree, ExportsThePreviewsOfTheSampleSkinLikeTheBuildTree) {
    if (!WITH_WORKBENCH) GTEST_SKIP() << "built without the workbench";
    fs::create_directories(box_ / "work/skins");
    fs::create_directories(box_ / "reference");
    fs::copy_file(SAMPLE_SKIN_ZIP, box_ / "work/skins/SampleSkin.zip");
    fs::copy_file(SAMPLE_SKIN_ZIP, box_ / "reference/SampleSkin.zip");
    // A skin named relative to the folder the user is in.
    const RunResult r = RunProgram({bin("corvamo"), "--export-previews", "skins/SampleSkin.zip"}, box_ / "work", env());
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    const RunResult built =
        RunProgram({DIST_DIR "/Corvamo", "--export-previews", box_ / "reference/SampleSkin.zip"}, DIST_DIR, env());
    ASSERT_EQ(built.exitCode, 0) << built.err;
    for (const std::string picture : {"SampleSkin-DS-Preview.jpg", "SampleSkin-GBA-Preview.jpg"}) {
        EXPECT_NE(r.out.find(box_ / "work/skins/" + picture + " saved."), std::string::npos) << r.out;
        const std::string jpeg = ReadFile(box_ / "work/skins/" + picture);
        EXPECT_GT(jpeg.size(), 1000u) << picture;
        EXPECT_TRUE(jpeg == ReadFile(box_ / "reference/" + picture)) << picture;
    }
}

// The build tree's Lindquay in a program folder of its own: the reference for the installed one.
RunResult BuildTreeLindquay(const Sandbox& box, const std::string& rom) {
    const std::string prog = box / "reference/gba";
    fs::create_directories(prog + "/.shell/bmp");  // as a user's program folder starts
    for (const char* file : {"Lindquay", "libmarlet.so", "glimmet", "Lindquay.rom"})
        fs::copy_file(DIST_DIR "/gba/" + std::string(file), prog + "/" + file, fs::copy_options::overwrite_existing);
    return RunProgram({prog + "/Lindquay", SAMPLE_FS, rom}, box.path(), {"LINDQUAY_PROGRAM_DIR="});
}

TEST_P(InstalledTree, LindquayBuildsTheSampleRomLikeTheBuildTree) {
    const std::set<std::string> templateBefore = Listing(root() + "/" + kTemplate);
    const RunResult reference = BuildTreeLindquay(box_, box_ / "reference.rom");
    ASSERT_EQ(reference.exitCode, 0) << reference.out << reference.err;
    ASSERT_NE(reference.out.find("Error(s): 0"), std::string::npos) << reference.out;

    const std::string placeholder = fs::canonical(root() + "/" + kTemplate + "/gba/Lindquay.rom").string();
    const RunResult r = run({bin("lindquay"), SAMPLE_FS, "sample.rom"});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_EQ(r.out, reference.out);
    EXPECT_EQ(r.err, "Lindquay: no base ROM in " + userFolder() + "/gba/; using the placeholder " + placeholder + "\n");
    EXPECT_TRUE(ReadFile(box_ / "work/sample.rom") == ReadFile(box_ / "reference.rom"));
    // The temporary files land in the user's folder, never in the installation (the pictures'
    // bitmaps stay in memory, served by one glimmet: the build's lock is what is left there).
    EXPECT_TRUE(fs::exists(userFolder() + "/gba/Lindquay.lock"));
    EXPECT_EQ(Joined(Listing(root() + "/" + kTemplate)), Joined(templateBefore));

    // With a base ROM of the user's own, that one is used, silently.
    const std::string userRom = std::string(0x30000, 'U');
    WriteFile(userFolder() + "/gba/Lindquay.rom", userRom);
    const RunResult own = run({bin("lindquay"), SAMPLE_FS, "own.rom"});
    ASSERT_EQ(own.exitCode, 0) << own.err;
    EXPECT_EQ(own.err, "");
    const std::string ownRom = ReadFile(box_ / "work/own.rom");
    EXPECT_TRUE(ownRom.substr(0, userRom.size()) == userRom);
    EXPECT_TRUE(ownRom.substr(userRom.size()) == ReadFile(box_ / "reference.rom").substr(userRom.size()));
}

// The workbench runs a script as /bin/sh SCRIPT in the program folder; the script runs gba/Lindquay.
TEST_P(InstalledTree, ExampleScriptPacksTheUsersShellFolder) {
    if (!WITH_WORKBENCH) GTEST_SKIP() << "built without the workbench";
    start();
    WriteFile(userFolder() + "/gba/.shell/bmp/note.txt", "from the skin");
    const RunResult script = RunProgram({"/bin/sh", "Skin_it.bat"}, userFolder(), env());
    ASSERT_EQ(script.exitCode, 0) << script.out << script.err;
    EXPECT_NE(script.out.find("note.txt"), std::string::npos) << script.out;
    const RunResult list = run({bin("lindquay-ls"), "list", userFolder() + "/gba/vu4shell.gba"});
    ASSERT_EQ(list.exitCode, 0) << list.err;
    EXPECT_NE(list.out.find("\\.shell\\bmp\\note.txt"), std::string::npos) << list.out;
}

// Operands mean what the user typed where they are; the user's folder is the program folder, and
// scripts of the folder the user is in never run.
TEST_P(InstalledTree, WorkbenchTakesOperandsFromWhereTheUserIs) {
    if (!WITH_WORKBENCH) GTEST_SKIP() << "built without the workbench";
    for (const char* script : {"Skin_it.bat", "di3gba.bat", "cleanup.bat"})
        WriteFile(box_ / "work/" + script, "echo ran > FOREIGN\n");
    const struct {
        std::vector<std::string> args;
        const char* outHas;
    } rows[] = {
        {{"--new-skin", "NewSkin"}, "NewSkin: new skin written"},
        {{"--check", "./NewSkin"}, "NewSkin"},
        {{"--pack-skin", "NewSkin", "new.zip"}, "new.zip saved"},
        {{"--install-di3", "new.zip"}, "Built by the scripts: gba/di3shell.gba"},
    };
    for (const auto& row : rows) {
        std::vector<std::string> argv = {bin("corvamo")};
        argv.insert(argv.end(), row.args.begin(), row.args.end());
        const RunResult r = run(argv);
        EXPECT_EQ(r.exitCode, 0) << row.args[0] << r.out << r.err;
        EXPECT_NE(r.out.find(row.outHas), std::string::npos) << r.out;
    }
    EXPECT_TRUE(fs::is_directory(box_ / "work/NewSkin"));
    EXPECT_FALSE(fs::exists(userFolder() + "/NewSkin"));
    EXPECT_TRUE(fs::exists(userFolder() + "/gba/di3shell.gba"));
    EXPECT_FALSE(fs::exists(box_ / "work/FOREIGN"));
}

TEST_P(InstalledTree, ToolsRunFromAnyFolder) {
    WriteFile(box_ / "work/page.htm", "<body>Hi&nbsp;there");
    ASSERT_EQ(BuildTreeLindquay(box_, box_ / "work/sample.rom").exitCode, 0);
    const struct {
        std::vector<std::string> argv;
        int exitCode;
        std::string outStart;
    } cases[] = {
        {{"lindquay-ls", "verify", "sample.rom"}, 0, "sample.rom: package OK"},
        {{"marlet", "page.htm", "page.txt"}, 0, ""},
        {{"glimmet", SAMPLE_FS "/pics/logo.png", "/convert=logo.bmp"}, 0, ""},
        {{"marlet", "missing.htm", "x.txt"}, 1, ""},
        {{"lindquay"}, 1, "REDOZ"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> argv = c.argv;
        argv[0] = bin(argv[0]);
        const RunResult r = run(argv);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.argv[0] << " " << c.argv[1] << "\n" << r.err;
        EXPECT_EQ(r.out.substr(0, c.outStart.size()), c.outStart) << r.out;
    }
    EXPECT_EQ(ReadFile(box_ / "work/page.txt"), "Hi;there");
    EXPECT_EQ(ReadFile(box_ / "work/logo.bmp").substr(0, 2), "BM");
}

TEST_P(InstalledTree, ManPagesRender) {
    for (const char* page : {"man1/corvamo.1", "man1/lindquay.1", "man1/lindquay-ls.1", "man1/marlet.1",
                             "man1/glimmet.1", "man3/Marlet.3"}) {
        const RunResult r = RunProgram({"man", "--warnings", "-l", root() + "/share/man/" + page + ".gz"}, "",
                                       {"MANWIDTH=80", "MAN_KEEP_FORMATTING=", "LC_ALL=C.UTF-8"});
        EXPECT_EQ(r.exitCode, 0) << page << r.err;
        EXPECT_EQ(r.err, "") << page;
        EXPECT_NE(r.out.find("NAME"), std::string::npos) << page;
        EXPECT_EQ(r.out.find("@PROJECT_VERSION@"), std::string::npos) << page;
    }
}

TEST_P(InstalledTree, CProgramBuiltWithPkgConfigCallsMarlet) {
    WriteFile(box_ / "work/caller.c",
              "#include <marlet.h>\n"
              "int main(int argc, char** argv) { return argc == 3 ? Marlet(argv[1], argv[2]) : 64; }\n");
    WriteFile(box_ / "work/page.htm", "<body>Hi&nbsp;there");
    const std::vector<std::string> pc = {"PKG_CONFIG_PATH=" + root() + "/" LIBDIR "/pkgconfig"};
    const RunResult version = run({"pkg-config", "--modversion", "marlet"}, pc);
    EXPECT_EQ(version.out, PROJECT_VERSION "\n") << version.err;
    const RunResult build =
        run({"/bin/sh", "-c", "cc " C_CALLER_FLAGS " caller.c $(pkg-config --cflags --libs marlet) -o caller"}, pc);
    ASSERT_EQ(build.exitCode, 0) << build.err;
    const RunResult call = run({"./caller", "page.htm", "page.txt"}, {"LD_LIBRARY_PATH=" + root() + "/" LIBDIR});
    EXPECT_EQ(call.exitCode, 0) << call.err;
    EXPECT_EQ(ReadFile(box_ / "work/page.txt"), "Hi;there");
    const RunResult needed = run({"readelf", "-d", "caller"});
    EXPECT_NE(needed.out.find("[libmarlet.so.0]"), std::string::npos) << needed.out;
}

INSTANTIATE_TEST_SUITE_P(Packaging, InstalledTree, ::testing::Values(kPrefix, kDeb),
                         [](const ::testing::TestParamInfo<Tree>& tree) { return std::string(tree.param.name); });

std::string DebFile() {
    for (const auto& entry : fs::directory_iterator(DEB_TREE))
        if (entry.path().extension() == ".deb") return entry.path().string();
    return {};
}

TEST(DebianPackage, FieldsAndControlMembers) {
    const std::string deb = DebFile();
    ASSERT_FALSE(deb.empty());
    const RunResult arch = RunProgram({"dpkg", "--print-architecture"});
    EXPECT_EQ(fs::path(deb).filename().string(),
              "corvamo_" PROJECT_VERSION "_" + arch.out.substr(0, arch.out.find('\n')) + ".deb");
    const RunResult fields = RunProgram({"dpkg-deb", "-f", deb, "Package", "Version", "Section", "Depends"});
    EXPECT_NE(fields.out.find("Package: corvamo\nVersion: " PROJECT_VERSION "\nSection: graphics\n"), std::string::npos)
        << fields.out;
    for (const char* dependency : {"libc6", "libfreeimage3", WITH_WORKBENCH ? "libqt6widgets6" : "libc6"})
        EXPECT_NE(fields.out.find(dependency), std::string::npos) << fields.out;
    // No maintainer scripts: dpkg's ldconfig trigger does what they would.
    Sandbox control;
    ASSERT_EQ(RunProgram({"dpkg-deb", "-e", deb, control.path() + "/DEBIAN"}).exitCode, 0);
    EXPECT_EQ(Joined(Listing(control.path() + "/DEBIAN")), "control\nmd5sums\nshlibs\ntriggers\n");
    EXPECT_EQ(ReadFile(control.path() + "/DEBIAN/triggers"), "activate-noawait ldconfig\n");
}

// The checkers a distribution runs; their output is in the test log.
TEST(DebianPackage, CheckersPass) {
    const std::string usr = kDeb.root;
    const struct {
        std::vector<std::string> argv;
        bool workbenchOnly;
    } checkers[] = {
        {{"lintian", "--fail-on", "error", "--tag-display-limit", "0", DebFile()}, false},
        {{"desktop-file-validate", usr + "/share/applications/corvamo.desktop"}, true},
        {{"appstreamcli", "validate", "--no-net", usr + "/share/metainfo/" APPSTREAM_ID ".metainfo.xml"}, true},
    };
    for (const auto& c : checkers) {
        if (c.workbenchOnly && !WITH_WORKBENCH) continue;
        const RunResult r = RunProgram(c.argv, "", {}, 240);
        std::cout << "$ " << c.argv[0] << "\n" << r.out << r.err;
        EXPECT_EQ(r.exitCode, 0) << c.argv[0] << ":\n" << r.out << r.err;
        if (c.argv[0] == "lintian") {
            EXPECT_EQ(("\n" + r.out).find("\nE: "), std::string::npos);
        }
    }
}

}  // namespace
