// make_seeds FOLDER: writes the small seed inputs of every fuzz target into FOLDER/<target>/.
#include <archive.h>
#include <archive_entry.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Bytes = std::string;

void Save(const fs::path& folder, const std::string& name, const Bytes& bytes) {
    fs::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary) << bytes;
}

void Le16(Bytes& b, unsigned v) {
    b += static_cast<char>(v & 0xFF);
    b += static_cast<char>((v >> 8) & 0xFF);
}
void Le32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// An uncompressed BMP of the given depth; pixels made from their position.
Bytes Bmp(int width, int height, int depth, int compression = 0) {
    const unsigned rows = static_cast<unsigned>(height < 0 ? -height : height);
    const unsigned rowLength = (static_cast<unsigned>(width) * static_cast<unsigned>(depth) / 8 + 3) & ~3u;
    const unsigned palette = depth == 8 ? 1024 : 0;
    Bytes b = "BM";
    Le32(b, 54 + palette + rowLength * rows);
    Le32(b, 0);
    Le32(b, 54 + palette);
    Le32(b, 40);
    Le32(b, static_cast<std::uint32_t>(width));
    Le32(b, static_cast<std::uint32_t>(height));
    Le16(b, 1);
    Le16(b, static_cast<unsigned>(depth));
    Le32(b, static_cast<std::uint32_t>(compression));
    Le32(b, rowLength * rows);
    Le32(b, 2835);
    Le32(b, 2835);
    Le32(b, depth == 8 ? 256 : 0);
    Le32(b, 0);
    for (unsigned i = 0; i < palette / 4; ++i) {
        b += static_cast<char>(i);
        b += static_cast<char>(255 - i);
        b += static_cast<char>(i * 7);
        b += '\0';
    }
    for (unsigned y = 0; y < rows; ++y)
        for (unsigned x = 0; x < rowLength; ++x) b += static_cast<char>((x * 37 + y * 11) & 0xFF);
    return b;
}

struct Entry {
    Entry(std::string n, Bytes d = {}, mode_t t = AE_IFREG, std::string l = {})
        : name(std::move(n)), data(std::move(d)), type(t), link(std::move(l)) {}
    std::string name;
    Bytes data;
    mode_t type;
    std::string link;  // symlink target, or hardlink target with type 0
};

Bytes Archive(const char* format, int filter, const std::vector<Entry>& entries) {
    std::vector<char> buffer(1 << 20);
    size_t used = 0;
    archive* a = archive_write_new();
    archive_write_set_format_by_name(a, format);
    if (filter != ARCHIVE_FILTER_NONE) archive_write_add_filter(a, filter);
    archive_write_open_memory(a, buffer.data(), buffer.size(), &used);
    for (const Entry& e : entries) {
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, e.name.c_str());
        if (e.type == 0) {
            archive_entry_set_filetype(entry, AE_IFREG);
            archive_entry_set_hardlink(entry, e.link.c_str());
        } else {
            archive_entry_set_filetype(entry, e.type);
            if (e.type == AE_IFLNK) archive_entry_set_symlink(entry, e.link.c_str());
            if (e.type == AE_IFREG) archive_entry_set_size(entry, static_cast<la_int64_t>(e.data.size()));
        }
        archive_entry_set_perm(entry, e.type == AE_IFDIR ? 0755 : 0644);
        archive_write_header(a, entry);
        if (e.type == AE_IFREG && !e.data.empty()) archive_write_data(a, e.data.data(), e.data.size());
        archive_entry_free(entry);
    }
    archive_write_close(a);
    archive_write_free(a);
    return Bytes(buffer.data(), used);
}

// One FS package item: a record and, for a file, its data and fill byte.
Bytes Item(const std::string& name, bool isDir, const Bytes& data = {}) {
    Bytes b = name;
    b.resize(260, '\0');
    Le32(b, isDir ? 1 : 0);
    Le32(b, static_cast<std::uint32_t>(data.size()));
    Le32(b, static_cast<std::uint32_t>(data.size() & 1));
    b += data;
    if (data.size() & 1) b += '!';
    return b;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds FOLDER\n");
        return 2;
    }
    const fs::path out = argv[1];

    const fs::path bmp = out / "bmp16";
    Save(bmp, "24bit-3x2.bmp", Bmp(3, 2, 24));
    Save(bmp, "24bit-4x1.bmp", Bmp(4, 1, 24));
    Save(bmp, "8bit-5x3.bmp", Bmp(5, 3, 8));
    Save(bmp, "32bit-2x2.bmp", Bmp(2, 2, 32));
    Save(bmp, "topdown-3x-2.bmp", Bmp(3, -2, 24));
    Save(bmp, "rle8.bmp", Bmp(4, 2, 8, 1));
    Bytes cut = Bmp(7, 5, 24);
    cut.resize(cut.size() - 9);
    Save(bmp, "truncated.bmp", cut);

    // The skin's pictures start from the same bitmaps.
    fs::create_directories(out / "skin_pictures");
    for (const auto& entry : fs::directory_iterator(bmp))
        fs::copy_file(entry.path(), out / "skin_pictures" / entry.path().filename(),
                      fs::copy_options::overwrite_existing);

    const fs::path html = out / "marlet";
    Save(html, "crlf.htm",
         "<html>\r\n<head>\r\n<title>\r\nT\r\n</title>\r\n</head>\r\n<body>\r\nHi\r\n</body>\r\n</html>\r\n");
    Save(html, "script-style.htm",
         "<BODY>a<script>x</script>\r\nb<style>p{}</style>c</SCRIPT>d<Script>e</Script>&nbsp;f&amp;g\t\n\n\nh");
    Save(html, "nul.htm", std::string("<body>one\0two", 13));
    Bytes late(15000, 'x');
    late += "<body>after";
    late += Bytes(10000, 'y');
    Save(html, "body-in-second-chunk.htm", late);
    Bytes border(10230, 'z');  // the script tag straddles the first chunk border
    border.insert(0, "<body>");
    border += "<script>cut</script>tail";
    Save(html, "tag-across-chunks.htm", border);

    const fs::path zips = out / "skin_archive";
    const Bytes picture = Bmp(4, 2, 24);
    Save(zips, "skin.zip",
         Archive("zip", ARCHIVE_FILTER_NONE,
                 {{"mainBG.bmp", picture}, {"asc.dat", "abc"}, {"help.txt", "help"}, {"skin/", {}, AE_IFDIR}}));
    Save(zips, "hostile.tar",
         Archive("paxr", ARCHIVE_FILTER_NONE,
                 {{"../escaped.txt", "x"},
                  {"/tmp/absolute.txt", "x"},
                  {"..\\back.txt", "x"},
                  {"out", {}, AE_IFLNK, "../../outside"},
                  {"out/through.txt", "x"},
                  {"hard.txt", {}, 0, "../outside/keep.txt"},
                  {"fifo", {}, AE_IFIFO},
                  {"a\\b\\c.bmp", "nested"},
                  {"mainBG.jpg", "good"}}));
    Save(zips, "skin.tar.gz", Archive("ustar", ARCHIVE_FILTER_GZIP, {{"sub/", {}, AE_IFDIR}, {"sub/x.bmp", picture}}));
    Save(zips, "skin.cpio", Archive("newc", ARCHIVE_FILTER_NONE, {{"disk.jpg", "jpeg"}}));
    Save(zips, "skin.7z", Archive("7zip", ARCHIVE_FILTER_NONE, {{"nor.jpg", Bytes(300, 'n')}}));
    Save(zips, "empty.zip", Archive("zip", ARCHIVE_FILTER_NONE, {}));

    const fs::path package = out / "package";
    Save(package, "end-only.pkg", Bytes(272, '\0'));
    Save(package, "abc.pkg", Item("\\a.txt", false, "abc") + Bytes(272, '\0'));
    Save(package, "tree.pkg",
         Item("\\.shell\\bmp", true) + Item("\\.shell\\bmp\\x.bmp", false, "BM\x10\0\x04\0\x01\0" + Bytes(8, '\x1f')) +
             Item("\\sub", true) + Item("\\sub\\inner", true) + Item("\\sub\\inner\\y.txt", false, "yy") +
             Item("\\z.txt", false, "z") + Bytes(272, '\0'));
    Save(package, "climbing.pkg", Item("\\..\\up.txt", false, "up") + Item("\\sub/..", true) + Bytes(272, '\0'));
    return 0;
}
