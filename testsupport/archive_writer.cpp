#include "testsupport/archive_writer.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <memory>
#include <stdexcept>

namespace testsupport {

ArchiveWriter::ArchiveWriter(const std::string& path, ArchiveFormat format, const std::string& passphrase)
    : path_(path), archive_(archive_write_new()) {
    try {
        if (format == ArchiveFormat::kZip) {
            Check(archive_write_set_format_zip(archive_), "zip format");
            // The fastest deflate: a gigabyte of zeros is made in a fraction of the time.
            Check(archive_write_set_options(archive_, "zip:compression-level=1"), "zip options");
            if (!passphrase.empty()) {
                Check(archive_write_set_options(archive_, "zip:encryption=zipcrypt"), "zip encryption");
                Check(archive_write_set_passphrase(archive_, passphrase.c_str()), "passphrase");
            }
        } else {
            Check(archive_write_set_format_pax_restricted(archive_), "tar format");
        }
        Check(archive_write_open_filename(archive_, path.c_str()), "open");
    } catch (...) {
        archive_write_free(archive_);
        throw;
    }
}

ArchiveWriter::~ArchiveWriter() {
    if (!closed_) archive_write_close(archive_);
    archive_write_free(archive_);
}

void ArchiveWriter::Check(int status, const std::string& what) {
    if (status < ARCHIVE_WARN) {  // a warning (say, a name it stores as given) still writes the entry
        const char* why = archive_error_string(archive_);
        throw std::runtime_error(path_ + ": " + what + ": " + (why ? why : "failed"));
    }
}

void ArchiveWriter::Add(const std::string& name, unsigned type, const std::string& link, std::int64_t size) {
    archive_entry* entry = archive_entry_new();
    archive_entry_set_pathname(entry, name.c_str());
    archive_entry_set_filetype(entry, type);
    archive_entry_set_perm(entry, type == AE_IFDIR ? 0755 : 0644);
    if (type == AE_IFLNK) archive_entry_set_symlink(entry, link.c_str());
    if (type == AE_IFREG && !link.empty()) archive_entry_set_hardlink(entry, link.c_str());
    if (type == AE_IFREG && link.empty()) archive_entry_set_size(entry, size);
    const int status = archive_write_header(archive_, entry);
    archive_entry_free(entry);
    Check(status, "entry " + name);
}

void ArchiveWriter::Data(const char* bytes, std::size_t size) {
    if (size != 0 && archive_write_data(archive_, bytes, size) != static_cast<la_ssize_t>(size))
        Check(ARCHIVE_FATAL, "data");
}

void ArchiveWriter::AddFile(const std::string& name, const std::string& data) { AddZeros(name, 0, data); }

void ArchiveWriter::AddZeros(const std::string& name, std::int64_t zeros, const std::string& head) {
    Add(name, AE_IFREG, {}, static_cast<std::int64_t>(head.size()) + zeros);
    Data(head.data(), head.size());
    static const std::string block(1 << 20, '\0');
    for (std::int64_t left = zeros; left > 0; left -= static_cast<std::int64_t>(block.size()))
        Data(block.data(),
             static_cast<std::size_t>(std::min<std::int64_t>(left, static_cast<std::int64_t>(block.size()))));
}

void ArchiveWriter::AddFolder(const std::string& name) { Add(name, AE_IFDIR, {}, 0); }
void ArchiveWriter::AddSymlink(const std::string& name, const std::string& target) { Add(name, AE_IFLNK, target, 0); }
void ArchiveWriter::AddHardlink(const std::string& name, const std::string& target) { Add(name, AE_IFREG, target, 0); }

void ArchiveWriter::Close() {
    closed_ = true;
    Check(archive_write_close(archive_), "close");
}

void WriteArchive(const std::string& path, const std::vector<ArchiveEntry>& entries, ArchiveFormat format) {
    ArchiveWriter writer(path, format);
    for (const ArchiveEntry& e : entries) {
        switch (e.kind) {
            case ArchiveEntry::kFile:
                writer.AddFile(e.name, e.data);
                break;
            case ArchiveEntry::kFolder:
                writer.AddFolder(e.name);
                break;
            case ArchiveEntry::kSymlink:
                writer.AddSymlink(e.name, e.target);
                break;
            case ArchiveEntry::kHardlink:
                writer.AddHardlink(e.name, e.target);
                break;
        }
    }
    writer.Close();
}

std::vector<ArchiveEntry> ReadArchiveEntries(const std::string& path) {
    const std::unique_ptr<archive, decltype(&archive_read_free)> in(archive_read_new(), &archive_read_free);
    archive_read_support_format_all(in.get());
    if (archive_read_open_filename(in.get(), path.c_str(), 1 << 16) != ARCHIVE_OK)
        throw std::runtime_error("cannot read the archive " + path + ": " + archive_error_string(in.get()));
    std::vector<ArchiveEntry> entries;
    archive_entry* entry = nullptr;
    for (int r; (r = archive_read_next_header(in.get(), &entry)) != ARCHIVE_EOF;) {
        if (r < ARCHIVE_WARN)
            throw std::runtime_error("the archive " + path + " is damaged: " + archive_error_string(in.get()));
        ArchiveEntry e;
        e.name = archive_entry_pathname(entry);
        const unsigned type = archive_entry_filetype(entry);
        e.kind = type == AE_IFDIR   ? ArchiveEntry::kFolder
                 : type == AE_IFLNK ? ArchiveEntry::kSymlink
                                    : ArchiveEntry::kFile;
        if (archive_entry_symlink(entry)) e.target = archive_entry_symlink(entry);
        char block[65536];
        for (la_ssize_t n; (n = archive_read_data(in.get(), block, sizeof block)) != 0;) {
            if (n < 0) throw std::runtime_error("cannot read " + e.name + " from " + path);
            e.data.append(block, std::size_t(n));
        }
        entries.push_back(std::move(e));
    }
    return entries;
}

}  // namespace testsupport
