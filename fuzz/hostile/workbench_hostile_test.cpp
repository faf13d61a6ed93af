// The workbench's window on skins made to break it: the real Form1 (headless), the real host
// layer and libarchive, archives streamed with libarchive. Each row: what the window shows (which
// slots hold a picture, whether the previews were recomposed), the message the user reads, what
// the temporary folder holds, and that nothing outside the workbench's own folders changed.
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>

#include <zlib.h>

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>
#include <functional>

#include "form1.h"
#include "testsupport/archive_writer.h"
#include "testsupport/sandbox.h"
#include "testsupport/snapshot.h"

using namespace corvamo;

namespace fs = std::filesystem;

namespace {

// The sandbox's folders stand in for the volumes; no browser.
class SandboxHost : public Host {
public:
    explicit SandboxHost(QString root) : root_(std::move(root)) {}
    std::vector<Volume> volumes() const override { return {{root_ + "/", {}}}; }
    bool openUrl(const QUrl&) override { return false; }

private:
    QString root_;
};

// A picture of one colour, encoded as format ("JPG" or "BMP").
QByteArray Encoded(int w, int h, Qt::GlobalColor colour, const char* format) {
    QImage image(w, h, QImage::Format_RGB888);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}
QByteArray Jpeg(int w, int h) { return Encoded(w, h, Qt::green, "JPG"); }
QByteArray Bmp(int w, int h) { return Encoded(w, h, Qt::blue, "BMP"); }

// A BMP header of width x height (24-bit) with no pixels behind it.
QByteArray BmpHeader(qint32 width, qint32 height) {
    QByteArray b = Bmp(1, 1).left(54);
    auto put = [&](int at, qint32 v) {
        for (int i = 0; i < 4; ++i) b[at + i] = char((v >> (8 * i)) & 0xFF);
    };
    put(18, width);
    put(22, height);
    return b;
}

using testsupport::ArchiveFormat;
using testsupport::ArchiveWriter;

struct Row {
    const char* what;
    // Makes the skin below root; returns the archive's file name in root/skins, or "" when the
    // row opens a folder instead (openFolder).
    std::function<std::string(const std::string& root)> prepare;
    std::vector<int> mainSlots;          // Picture1 slots that must hold a picture; the others none
    std::vector<std::string> said;       // pieces of the one message shown; empty: no message
    std::vector<std::string> tempFiles;  // files at the top of the temporary folder afterwards
    std::function<QString(const QString& root)> openFolder = {};  // the folder to open, for a folder row
    qint64 tempLimit = qint64(1) << 20;                           // bytes the temporary folder may hold afterwards
    bool redrawn = true;                                          // the previews were recomposed
    // What the user did before (its messages are not counted), when the row needs it.
    std::function<void(Form1& form, const QString& root)> first = {};
};

// The workbench's own folders, in the sandbox.
CacheFolders Cache(const QString& root) { return CacheFolders::Under(root + "/cache/Corvamo"); }

std::vector<std::string> TopFiles(const QString& folder) {
    std::vector<std::string> names;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name))
        names.push_back(name.toStdString());
    return names;
}

qint64 TreeBytes(const std::string& folder) {
    qint64 total = 0;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec); it != fs::recursive_directory_iterator();
         it.increment(ec))
        if (it->is_regular_file(ec)) total += qint64(it->file_size(ec));
    return total;
}

}  // namespace

TEST(WorkbenchHostile, EveryRowLoadsWhatItCanAndChangesNothingElse) {
    const std::vector<Row> rows = {
        {"an entry climbing out with ../",
         [](const std::string& root) {
             ArchiveWriter zip(root + "/skins/up.zip");
             zip.AddFile("../../escaped.jpg", Jpeg(8, 8).toStdString());
             zip.AddFile("mainBG.jpg", Jpeg(256, 192).toStdString());
             return "up.zip";
         },
         {0},
         {"were left out", "../../escaped.jpg"},
         {"mainBG.jpg"}},
        {"an absolute path",
         [](const std::string& root) {
             ArchiveWriter zip(root + "/skins/abs.zip");
             zip.AddFile(root + "/absolute.jpg", Jpeg(8, 8).toStdString());
             zip.AddFile("subBG.jpg", Jpeg(256, 192).toStdString());
             return "abs.zip";
         },
         {1},
         {"were left out", "/absolute.jpg"},
         {"subBG.jpg"}},
        {"a link to a folder outside, then a file through it",
         [](const std::string& root) {
             fs::create_directories(root + "/outside");
             ArchiveWriter tar(root + "/skins/link.zip");
             tar.AddSymlink("out", root + "/outside");
             tar.AddFile("out/mainBG.jpg", Jpeg(8, 8).toStdString());
             tar.AddFile("disk.jpg", Jpeg(16, 16).toStdString());
             return "link.zip";
         },
         {2},
         {"were left out", "out"},
         {"disk.jpg"}},
        {"an entry one byte over 64 MiB",
         [](const std::string& root) {
             ArchiveWriter zip(root + "/skins/big.zip");
             zip.AddFile("nor.jpg", Jpeg(16, 16).toStdString());
             zip.AddZeros("mainBG.bmp", (qint64(64) << 20) + 1);
             return "big.zip";
         },
         {3},
         {"unpacks to more than the workbench accepts"},
         {"nor.jpg"}},
        {"a truncated zip",
         [](const std::string& root) {
             {
                 ArchiveWriter zip(root + "/skins/cut.zip");
                 zip.AddFile("setting.jpg", Jpeg(32, 32).toStdString());
                 QByteArray noise(40000, '\0');
                 QRandomGenerator random(42);
                 for (char& c : noise) c = char(random.bounded(256));
                 zip.AddFile("select.jpg", noise.toStdString());
             }
             fs::resize_file(root + "/skins/cut.zip", fs::file_size(root + "/skins/cut.zip") - 20000);
             return "cut.zip";
         },
         {4},
         {"is damaged"},
         {"setting.jpg"}},
        {"a zip bomb: 1 GB of zeros",
         [](const std::string& root) {
             ArchiveWriter zip(root + "/skins/bomb.zip");
             zip.AddZeros("mainBG.bmp", qint64(1) << 30);
             return "bomb.zip";
         },
         {},
         {"unpacks to more than the workbench accepts"},
         {}},
        {"a zip bomb: 1 GB of zeros in entries under the limit for one",
         [](const std::string& root) {
             ArchiveWriter zip(root + "/skins/bombs.zip");
             for (int i = 0; i < 16; ++i) zip.AddZeros("part" + std::to_string(i) + ".bmp", qint64(64) << 20);
             return "bombs.zip";
         },
         {},
         {"unpacks to more than the workbench accepts"},
         {"part0.bmp", "part1.bmp", "part2.bmp", "part3.bmp"},
         {},
         qint64(256) << 20},
        {"an entry deeper than the system's path limit",
         [](const std::string& root) {
             ArchiveWriter zip(root + "/skins/deep.zip");
             std::string deep;
             for (int i = 0; i < 25; ++i) deep += std::string(200, 'd') + "/";
             zip.AddFile(deep + "mainBG.jpg", Jpeg(8, 8).toStdString());
             zip.AddFile("select.jpg", Jpeg(16, 16).toStdString());
             return "deep.zip";
         },
         {5},
         {"were left out", "ddd"},
         {"select.jpg"}},
        {"an archive of 100,000 empty entries",
         [](const std::string& root) {
             ArchiveWriter zip(root + "/skins/many.zip");
             zip.AddFile("window.jpg", Jpeg(16, 16).toStdString());
             for (int i = 0; i < 100000; ++i) zip.AddFile("e/" + std::to_string(i), {});
             return "many.zip";
         },
         {},
         {"holds more entries than the workbench accepts (10,000; a skin has 49 files); nothing was extracted"},
         {}},
        {"a tar archive under a .zip name",
         [](const std::string& root) {
             ArchiveWriter tar(root + "/skins/tar.zip", ArchiveFormat::kPaxTar);
             tar.AddFile("mainBG.jpg", Jpeg(256, 192).toStdString());
             return "tar.zip";
         },
         {},
         {"is not a zip archive"},
         {}},
        {"an encrypted zip",
         [](const std::string& root) {
             ArchiveWriter zip(root + "/skins/locked.zip", ArchiveFormat::kZip, "secret");
             zip.AddFile("mainBG.jpg", Jpeg(256, 192).toStdString());
             return "locked.zip";
         },
         {},
         {"is encrypted", "need a password", "mainBG.jpg"},
         {}},
        {"a zip entry compressed with Deflate64",
         [](const std::string& root) {
             // One entry of method 9, then a readable one: the second still loads.
             const auto le = [](std::uint64_t v, int bytes) {
                 std::string b;
                 for (int i = 0; i < bytes; ++i) b += char(v >> (8 * i));
                 return b;
             };
             const std::string jpeg = Jpeg(40, 40).toStdString();
             std::string zip, central;
             const auto entry = [&](const std::string& name, int method, const std::string& data) {
                 const std::uint32_t crc =
                     method == 0
                         ? std::uint32_t(crc32(0, reinterpret_cast<const Bytef*>(data.data()), uInt(data.size())))
                         : 0;
                 const std::string fields = le(20, 2) + le(0, 2) + le(method, 2) + le(0, 4) + le(crc, 4) +
                                            le(data.size(), 4) + le(data.size(), 4) + le(name.size(), 2) + le(0, 2);
                 central += le(0x02014b50, 4) + le(20, 2) + fields + le(0, 2) + le(0, 2) + le(0, 2) + le(0, 4) +
                            le(zip.size(), 4) + name;
                 zip += le(0x04034b50, 4) + fields + name + data;
             };
             entry("mainBG.jpg", 9, std::string(64, '\x5a'));
             entry("disk.jpg", 0, jpeg);
             const std::size_t start = zip.size();
             zip += central + le(0x06054b50, 4) + le(0, 2) + le(0, 2) + le(2, 2) + le(2, 2) + le(central.size(), 4) +
                    le(start, 4) + le(0, 2);
             testsupport::WriteFile(root + "/skins/deflate64.zip", zip);
             return "deflate64.zip";
         },
         {2},
         {"compression method the workbench cannot read", "Deflate64", "mainBG.jpg"},
         {"disk.jpg"}},
        {"a folder skin with a file over 64 MiB",
         [](const std::string& root) {
             const std::string skin = root + "/skins/huge";
             testsupport::WriteFile(skin + "/subBG.jpg", Jpeg(256, 192).toStdString());
             testsupport::WriteFile(skin + "/hzk.dat", "");
             fs::resize_file(skin + "/hzk.dat", (std::uintmax_t{64} << 20) + 1);  // sparse: no disk space
             return std::string();
         },
         {1},
         {"larger than 64 MiB", "hzk.dat"},
         {"subBG.jpg"},
         [](const QString& root) { return root + "/skins/huge"; }},
        {"a folder skin of truncated and 0 x 0 pictures",
         [](const std::string& root) {
             const std::string skin = root + "/skins/broken";
             testsupport::WriteFile(skin + "/mainBG.bmp", Bmp(256, 192).left(2000).toStdString());
             testsupport::WriteFile(skin + "/subBG.bmp", BmpHeader(0, 0).toStdString());
             testsupport::WriteFile(skin + "/disk.jpg", Jpeg(64, 64).left(100).toStdString());
             testsupport::WriteFile(skin + "/nor.bmp", BmpHeader(40000, 40000).toStdString());
             testsupport::WriteFile(skin + "/deskicon.bmp", BmpHeader(0, 0).toStdString());
             testsupport::WriteFile(skin + "/arrowR.bmp", BmpHeader(40000, 40000).toStdString());
             testsupport::WriteFile(skin + "/arrowL.bmp", Bmp(9, 9).left(60).toStdString());
             testsupport::WriteFile(skin + "/setting.jpg", Jpeg(8, 8).toStdString());
             return std::string();
         },
         {0, 4},
         {},
         {"arrowL.bmp", "arrowR.bmp", "deskicon.bmp", "disk.jpg", "mainBG.bmp", "nor.bmp", "setting.jpg", "subBG.bmp"},
         [](const QString& root) { return root + "/skins/broken"; }},
        {"the temporary folder itself as the skin folder",
         [](const std::string& root) {
             testsupport::WriteFile(root + "/skins/good/mainBG.jpg", Jpeg(256, 192).toStdString());
             return std::string();
         },
         {},
         {},
         {},
         [](const QString& root) { return Cache(root).temp; },
         qint64(1) << 20,
         false,
         [](Form1& form, const QString& root) {  // a skin is loaded and in the temporary folder
             form.setDir1Path(root + "/skins/good");
             ASSERT_TRUE(form.workbench().pictures().Picture1[0].hasPicture());
         }},
        {"an archive with folders, nested too, of a picture's name, then a folder skin with that picture",
         [](const std::string& root) {
             testsupport::WriteFile(root + "/skins/good/mainBG.jpg", Jpeg(256, 192).toStdString());
             return std::string();
         },
         {0},
         {},
         {"mainBG.jpg"},
         [](const QString& root) { return root + "/skins/good"; },
         qint64(1) << 20,
         true,
         [](Form1& form, const QString& root) {
             {
                 ArchiveWriter zip((root + "/skins/odd.zip").toStdString());
                 zip.AddFile("mainBG.jpg/inside.txt", "x");
                 zip.AddFile("mainBG.jpg/a/keep.txt", "x");
             }
             form.setDir1Path(root + "/skins");
             ASSERT_TRUE(form.clickFile1("odd.zip"));
         }},
        {"an archive of folders under skin file names, then a skin zipped with its folder",
         [](const std::string& root) {
             ArchiveWriter zip(root + "/skins/lifted.zip");
             zip.AddFile("My Skin/mainBG.jpg", Jpeg(256, 192).toStdString());
             zip.AddFile("My Skin/disk.jpg", Jpeg(40, 40).toStdString());
             return "lifted.zip";
         },
         {0, 2},
         {},
         {"disk.jpg", "mainBG.jpg"},
         {},
         qint64(1) << 20,
         true,
         [](Form1& form, const QString& root) {
             {
                 ArchiveWriter zip((root + "/skins/poison.zip").toStdString());
                 zip.AddFile("mainBG.jpg/a/keep.txt", "x");
                 zip.AddFile("disk.jpg/keep.txt", "x");
             }
             form.setDir1Path(root + "/skins");
             ASSERT_TRUE(form.clickFile1("poison.zip"));
         }},
        {"a folder skin whose files are links out of it and a FIFO",
         [](const std::string& root) {
             const std::string skin = root + "/skins/linked";
             testsupport::WriteFile(skin + "/subBG.jpg", Jpeg(256, 192).toStdString());
             testsupport::WriteFile(root + "/private/diary.jpg", Jpeg(256, 192).toStdString());
             fs::create_symlink(root + "/private/diary.jpg", skin + "/mainBG.jpg");
             fs::create_symlink("/etc/shadow", skin + "/help.txt");
             EXPECT_EQ(::mkfifo((skin + "/hzk.dat").c_str(), 0644), 0);
             return std::string();
         },
         {1},
         {"These skin files were left out", "mainBG.jpg is a link; a skin file must be a regular file in the skin",
          "help.txt is a link", "hzk.dat is a FIFO"},
         {"subBG.jpg"},
         [](const QString& root) { return root + "/skins/linked"; }},
    };

    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        testsupport::Sandbox box;
        const QString root = QString::fromStdString(box.path());
        for (const char* folder : {"/app/nds", "/app/gba/.shell/bmp", "/skins"}) QDir().mkpath(root + folder);
        const std::string archive = row.prepare(box.path());
        const QString previous = QDir::currentPath();
        QDir::setCurrent(root + "/app");
        {
            RecordedMessages messages;
            Form1 form(Cache(root), &messages, std::make_unique<SandboxHost>(root), root + "/app");
            Workbench& wb = form.workbench();
            if (row.first) {
                row.first(form, root);
                messages.texts.clear();
            }
            const testsupport::Snapshot before = testsupport::Snap(box.path(), {"/cache/Corvamo"});
            const int redraws = wb.redrawCount();
            if (archive.empty()) {
                form.setDir1Path(row.openFolder(root));
            } else {
                form.setDir1Path(root + "/skins");
                ASSERT_TRUE(form.clickFile1(QString::fromStdString(archive)));
            }

            for (int i = 0; i < 7; ++i) {
                const bool wanted = std::find(row.mainSlots.begin(), row.mainSlots.end(), i) != row.mainSlots.end();
                EXPECT_EQ(wb.pictures().Picture1[size_t(i)].hasPicture(), wanted) << "main slot " << i;
            }
            EXPECT_EQ(wb.redrawCount(), redraws + (row.redrawn ? 1 : 0));
            if (row.said.empty()) {
                EXPECT_EQ(messages.texts, QStringList{});
            } else {
                ASSERT_EQ(messages.texts.size(), 1) << messages.texts.join("\n").toStdString();
                for (const std::string& piece : row.said)
                    EXPECT_TRUE(messages.texts[0].contains(QString::fromStdString(piece)))
                        << piece << " not in: " << messages.texts[0].toStdString();
            }
            std::vector<std::string> wantedTemp = row.tempFiles;
            // LoadPics turns each BMP main picture into its JPEG.
            std::vector<std::string> temp = TopFiles(Cache(root).temp);
            temp.erase(std::remove_if(temp.begin(), temp.end(),
                                      [&](const std::string& n) {
                                          return std::find(wantedTemp.begin(), wantedTemp.end(), n) ==
                                                     wantedTemp.end() &&
                                                 n.size() > 4 && n.substr(n.size() - 4) == ".jpg" &&
                                                 std::find(wantedTemp.begin(), wantedTemp.end(),
                                                           n.substr(0, n.size() - 4) + ".bmp") != wantedTemp.end();
                                      }),
                       temp.end());
            EXPECT_EQ(temp, wantedTemp);
            EXPECT_LE(TreeBytes((root + "/cache/Corvamo").toStdString()), row.tempLimit);
            EXPECT_EQ(testsupport::Changes(before, testsupport::Snap(box.path(), {"/cache/Corvamo"})),
                      std::vector<std::string>{});
            form.close();
        }
        QDir::setCurrent(previous);
    }
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
