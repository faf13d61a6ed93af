#include "listing.h"

#include <cstring>
#include <ostream>

#include "printable.h"

#ifndef CORVAMO_VERSION
#define CORVAMO_VERSION "(unversioned)"  // compiled outside the project's build, as the fuzz targets are
#endif

namespace lindquay {

namespace {

const char kRule[] = "----- : ---------------------------------------------------- - ------------\n";

}  // namespace

void Listing::Flush() { out_.flush(); }

void Listing::Usage() {
    out_ << "REDOZ Vud Ovivi Command Line Program 2.0\n"
            "Corvamo skin toolkit: Lindquay, the loader ROM builder of the Corvamo project\n"
            "\nUsage: Lindquay [FSDir] [OutputRomFile]\n\n"
         << std::flush;
}

void Listing::Version() { out_ << "Lindquay " CORVAMO_VERSION "\n" << std::flush; }

void Listing::InvalidFsDir(const std::string& given) {
    ++errors_;
    out_ << "\nError: Specifiled [FSDir: " << Printable(given) << "] is invalid!\n\n" << std::flush;
}

void Listing::OutputIsOwnFile(const std::string& given, const std::string& own) {
    ++errors_;
    out_ << "\nError: [OutputRomFile: " << Printable(given) << "] is Lindquay's own file " << Printable(own)
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

void Listing::OutputNotReplaced(const std::string& given, int error) {
    ++errors_;
    out_ << "Error: cannot replace [OutputRomFile: " << Printable(given) << "]: " << std::strerror(error)
         << "; the previous file is left as it was\n"
         << std::flush;
}

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
    out_ << "WARNING: FSDir " << Printable(hostDir) << " does not exist; nothing packed from it\n";
}

void Listing::RootIsPseudo(const std::string& label, const std::string& hostDir, const std::string& type) {
    ++warnings_;
    out_ << "WARNING: " << label << Printable(hostDir) << " is a pseudo file system (" << type
         << "); nothing packed from it\n";
}

void Listing::FolderNotListed(const std::string& where, int error) {
    ++errors_;
    out_ << "ERROR: cannot list folder " << Printable(where) << ": " << std::strerror(error) << "\n";
}

void Listing::Folder(const std::string& name) { out_ << "[DIR] : " << Printable(name) << "\n"; }

void Listing::FolderRefused(const std::string& name, const std::string& reason) {
    Folder(name);
    out_ << "ERROR: " << Printable(reason) << "\n";
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
    const std::string shown = Printable(name);
    out_ << "      : " << shown;
    if (shown.size() <= 50) out_ << std::string(52 - shown.size(), ' ');
}

void Listing::Refused(const std::string& reason) { out_ << "\nERROR: " << Printable(reason) << "\n"; }

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

void Listing::TakenBack(const std::string& reason) { out_ << "ERROR: " << Printable(reason) << "; item taken back\n"; }

void Listing::FileFailed() {
    ++errors_;
    out_ << " - 0 [[[ Error ]]]\n";
}

}  // namespace lindquay
