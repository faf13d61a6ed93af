#include "listing.h"

#include <cstring>
#include <ostream>

namespace lindquay {

namespace {

const char kRule[] = "----- : ---------------------------------------------------- - ------------\n";

std::string Shown(const std::string& text) {
    std::string shown;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            shown += c;
            continue;
        }
        static constexpr char kDigits[] = "0123456789ABCDEF";
        shown += "\\x";
        shown += kDigits[byte >> 4];
        shown += kDigits[byte & 15];
    }
    return shown;
}

}  // namespace

void Listing::Flush() { out_.flush(); }

void Listing::Usage() {
    out_ << "REDOZ Vud Ovivi Command Line Program 2.0\n"
            "Corvamo skin toolkit: Lindquay, the loader ROM builder of the Corvamo project\n"
            "\nUsage: Lindquay [FSDir] [OutputRomFile]\n\n"
         << std::flush;
}

void Listing::InvalidFsDir(const std::string& given) {
    ++errors_;
    out_ << "\nError: Specifiled [FSDir: " << Shown(given) << "] is invalid!\n\n" << std::flush;
}

void Listing::OutputIsOwnFile(const std::string& given, const std::string& own) {
    ++errors_;
    out_ << "\nError: [OutputRomFile: " << Shown(given) << "] is Lindquay's own file " << Shown(own)
         << "; nothing was written\n\n"
         << std::flush;
}

void Listing::BaseRomStarted() { out_ << "Generate Base Rom ... " << std::flush; }

void Listing::BaseRomFailed() {
    ++errors_;
    out_ << "Error!\n" << std::flush;
}

void Listing::Header() {
    out_ << "OK\n"
         << " Type   Path And FileName" << std::string(38, ' ') << "FileSize\n"
         << kRule;
}

void Listing::AddingFailed() { out_ << "Error occured while Adding Source Files to Package!!!\n" << std::flush; }

void Listing::Summary(std::int32_t totalDirs, std::int32_t totalFiles, std::int64_t romSizeKB) {
    out_ << kRule << "TotalDir: " << totalDirs << ",  totalFile: " << totalFiles << "\nRomFile Size: " << romSizeKB
         << " KB\n\n"
         << "Error(s): " << errors_ << "  warning(s): " << warnings_ << "\n"
         << std::flush;
}

void Listing::OutputNotOpened() {
    ++errors_;
    out_ << "LinkFSFile: fopen(newRom) Error!\n";
}

void Listing::OutputNotWritten() {
    ++errors_;
    out_ << "LinkFSFile: write(newRom) Error!\n";
}

void Listing::FsDirMissing(const std::string& hostDir) {
    ++warnings_;
    out_ << "WARNING: FSDir " << Shown(hostDir) << " does not exist; nothing packed from it\n";
}

void Listing::RootIsPseudo(const std::string& label, const std::string& hostDir, const std::string& type) {
    ++warnings_;
    out_ << "WARNING: " << label << Shown(hostDir) << " is a pseudo file system (" << type
         << "); nothing packed from it\n";
}

void Listing::FolderNotListed(const std::string& where, int error) {
    ++errors_;
    out_ << "ERROR: cannot list folder " << Shown(where) << ": " << std::strerror(error) << "\n";
}

void Listing::Folder(const std::string& name) { out_ << "[DIR] : " << Shown(name) << "\n"; }

void Listing::FolderRefused(const std::string& name, const std::string& reason) {
    Folder(name);
    out_ << "ERROR: " << Shown(reason) << "\n";
    FolderItemFailed();
}

void Listing::FolderIsPseudo(const std::string& name, const std::string& type) {
    ++warnings_;
    Folder(name);
    out_ << "WARNING: a pseudo file system (" << type << "); not packed\n";
}

void Listing::FolderItemFailed() {
    ++errors_;
    out_ << " - !!! Error !!!\n";
}

void Listing::File(const std::string& name) {
    // Sizes of names up to 50 bytes as shown line up under "FileSize".
    const std::string shown = Shown(name);
    out_ << "      : " << shown;
    if (shown.size() <= 50) out_ << std::string(52 - shown.size(), ' ');
}

void Listing::Refused(const std::string& reason) { out_ << "\nERROR: " << Shown(reason) << "\n"; }

void Listing::Packed(std::uint32_t size) { out_ << " - " << size << "\n"; }

void Listing::EmptyFile() {
    ++warnings_;
    out_ << " - 0  <WARNING>\n";
}

void Listing::OutputSkipped() {
    ++warnings_;
    out_ << " - 0  <WARNING> the output ROM is not packed into itself\n";
}

void Listing::OwnFileSkipped() {
    ++warnings_;
    out_ << " - 0  <WARNING> Lindquay's own file is not packed\n";
}

void Listing::TakenBack(const std::string& reason) { out_ << "ERROR: " << Shown(reason) << "; item taken back\n"; }

void Listing::FileFailed() {
    ++errors_;
    out_ << " - 0 [[[ Error ]]]\n";
}

}  // namespace lindquay
