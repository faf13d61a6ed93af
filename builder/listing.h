// Lindquay's listing: every line it prints, and the counts of the errors and warnings it reports,
// which its summary gives. Names and paths show their control bytes as \xHH, so that no name can
// forge a line or reach the terminal as an escape sequence.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

namespace lindquay {

class Listing {
public:
    explicit Listing(std::ostream& out) : out_(out) {}
    int errors() const { return errors_; }
    int warnings() const { return warnings_; }
    void Flush();

    // The driver's lines, in the order of a build.
    void Usage();
    void Version();
    void InvalidFsDir(const std::string& given);
    void OutputIsOwnFile(const std::string& given, const std::string& own);
    void BaseRomStarted();
    void BaseRomFailed();
    void Header();  // completes the base ROM line
    void AddingFailed();
    void OutputNotReplaced(const std::string& given, int error);
    void Summary(std::int32_t totalDirs, std::int32_t totalFiles, std::int64_t romSizeKB);

    // The package writer's. A folder's or file's line is started with its name and completed by
    // what became of it.
    void OutputNotOpened();
    void OutputNotWritten();
    void FsDirMissing(const std::string& hostDir);
    void RootIsPseudo(const std::string& label, const std::string& hostDir, const std::string& type);
    void FolderNotListed(const std::string& where, int error);
    void Folder(const std::string& name);
    void FolderRefused(const std::string& name, const std::string& reason);
    void FolderItemFailed();
    void FolderIsPseudo(const std::string& name, const std::string& type);
    void File(const std::string& name);
    void Refused(const std::string& reason);  // completes the file's line, before its size
    void Packed(std::uint32_t size);
    void EmptyFile();
    void OutputSkipped();
    void OwnFileSkipped();
    void TakenBack(const std::string& reason);  // after the size
    void FileFailed();

    // The package would pass what its 32-bit offsets address: the walk stops.
    static constexpr char kPackageFull[] = "the package would pass 4 GiB; nothing more is packed";

private:
    std::ostream& out_;
    int errors_ = 0;
    int warnings_ = 0;
};

}  // namespace lindquay
