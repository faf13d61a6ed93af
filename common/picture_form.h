// What a picture file really is, told from its first bytes: the one account of a picture's form
// that Lindquay's refusals, the workbench's check, its window and the loader-safe fix-up share, so
// that they all name the same cause. Plain code with no system call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace lindquay {

// How many bytes of a file's start the form is told from (a BMP's largest info header and its
// masks, a PNG's header chunk and the chunks before its pixels).
inline constexpr std::size_t kFormHeadBytes = 4096;

struct PictureForm {
    enum Container { Empty, Bmp, Png, Jpeg, Gif, Tiff, Other };
    Container container = Other;
    int depth = 0;        // bits per pixel of a BMP
    int compression = 0;  // a BMP's compression field (low half, as Lindquay reads it)
    int infoSize = 0;     // a BMP's info header size
    bool alpha = false;   // holds transparency: an alpha channel or mask, or a PNG's transparent colour
    // Its name as an author would know it: "24-bit BMP", "32-bit BMP with bit-field masks (as
    // ImageMagick saves by default)", "PNG picture with transparency under a .bmp name", ...
    std::string name;
    // Why Lindquay would refuse it on its form alone; empty when the form is one it reads.
    std::string lindquayCause;
    // The form is one Lindquay reads: an uncompressed BMP of 8, 24 or 32 bits.
    bool lindquayForm() const { return lindquayCause.empty(); }
    // A picture of some kind, not an empty or unknown file (which is damaged, not of another form).
    bool picture() const { return container != Empty && container != Other; }
};

// `head` holds the first `length` bytes of a file (up to kFormHeadBytes); `suffix` is the
// extension it lies under, lower case, without the dot ("bmp"), to say when a picture lies under
// the wrong name.
PictureForm ReadPictureForm(const std::uint8_t* head, std::size_t length, const std::string& suffix = "bmp");

// A compressed BMP's form in a few words, for Lindquay's refusal: "32 bits per pixel with
// bit-field masks", "8 bits per pixel, RLE".
std::string CompressionName(int compression, int depth);

}  // namespace lindquay
