// Archives written with libarchive, entry by entry (and read back): files with their bytes or of any number of
// zero bytes (written in blocks, so a gigabyte costs no memory), folders and links.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct archive;

namespace testsupport {

enum class ArchiveFormat {
    kZip,     // deflate at its fastest level
    kPaxTar,  // restricted pax: ustar unless an entry needs more
};

class ArchiveWriter {
public:
    // Throws when the archive cannot be created; as every other call that fails.
    // A zip with a passphrase encrypts every entry (traditional zip encryption).
    explicit ArchiveWriter(const std::string& path, ArchiveFormat format = ArchiveFormat::kZip,
                           const std::string& passphrase = {});
    ~ArchiveWriter();  // closes the archive, when Close was not called
    ArchiveWriter(const ArchiveWriter&) = delete;
    ArchiveWriter& operator=(const ArchiveWriter&) = delete;

    void AddFile(const std::string& name, const std::string& data);
    // `head`, then `zeros` zero bytes.
    void AddZeros(const std::string& name, std::int64_t zeros, const std::string& head = {});
    void AddFolder(const std::string& name);
    void AddSymlink(const std::string& name, const std::string& target);
    void AddHardlink(const std::string& name, const std::string& target);
    void Close();

private:
    void Add(const std::string& name, unsigned type, const std::string& link, std::int64_t size);
    void Data(const char* bytes, std::size_t size);
    void Check(int status, const std::string& what);

    std::string path_;
    archive* archive_;
    bool closed_ = false;
};

// One entry of WriteArchive: a file (data), a folder, or a link (target).
struct ArchiveEntry {
    enum Kind { kFile, kFolder, kSymlink, kHardlink };
    std::string name;
    std::string data;
    Kind kind = kFile;
    std::string target;
};

// The entries of an archive of any format, read back with libarchive in archive order: files
// with their bytes, folders and links; throws when it cannot be read to its end.
std::vector<ArchiveEntry> ReadArchiveEntries(const std::string& path);

// The whole archive at once.
void WriteArchive(const std::string& path, const std::vector<ArchiveEntry>& entries,
                  ArchiveFormat format = ArchiveFormat::kZip);

}  // namespace testsupport
