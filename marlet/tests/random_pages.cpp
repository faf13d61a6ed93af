#include "random_pages.h"

#include <array>
#include <string_view>

#include "reference.h"

namespace {

using namespace std::string_view_literals;

// Every piece a rule looks at, near misses of each, and ordinary markup.
constexpr std::array kPieces = {
    "<body"sv,
    "<BODY>"sv,
    "<Body>"sv,
    "<bod"sv,
    "<script>"sv,
    "<SCRIPT>"sv,
    "<Script>"sv,
    "<scrip"sv,
    "<style>"sv,
    "<STYLE>"sv,
    "<Style>"sv,
    "</script>"sv,
    "</SCRIPT>"sv,
    "</Script>"sv,
    "</style>"sv,
    "</scrip"sv,
    "&nbsp;"sv,
    "&nbsp"sv,
    "&nbs"sv,
    "&nb"sv,
    "&n"sv,
    "&amp;"sv,
    "&lt;"sv,
    "&"sv,
    "<"sv,
    ">"sv,
    "\t"sv,
    "\t\t"sv,
    "\r\n"sv,
    "\r\n\r\n"sv,
    "\n"sv,
    "\n\n\n"sv,
    "\r"sv,
    "\0"sv,
    "<p>"sv,
    "</p>"sv,
    "<a href=\"x.htm\">"sv,
    "<td class=x>"sv,
    "<!-- note -->"sv,
    "word "sv,
    " "sv,
    "\xc3\xa9t\xc3\xa9"sv,
    "<br>\r\n"sv,
    "x>y"sv,
    "<a &nbs>"sv,
};

std::size_t Pick(std::mt19937& random, std::size_t count) { return static_cast<std::size_t>(random() % count); }

void AddPiece(std::mt19937& random, std::string& page) {
    const std::size_t kind = Pick(random, 10);
    if (kind < 6) {
        page += kPieces[Pick(random, kPieces.size())];
    } else if (kind < 8) {
        page.append(1 + Pick(random, 80), static_cast<char>('a' + Pick(random, 26)));
    } else if (kind < 9) {
        page += static_cast<char>(Pick(random, 256));
    } else {
        page.append(1 + Pick(random, 400), 'q');  // long runs cross whole vector blocks
    }
}

}  // namespace

std::string RandomPage(std::mt19937& random) {
    std::string page;
    const std::size_t shape = Pick(random, 8);
    std::size_t size;
    if (shape < 3) {
        size = Pick(random, 2000);
    } else if (shape < 5) {
        // Around a multiple of the chunk size, including exactly on it.
        const std::size_t chunks = 1 + Pick(random, 3);
        size = chunks * kChunk + (Pick(random, 3) == 0 ? 10 : Pick(random, 21)) - 10;
    } else {
        size = Pick(random, 45000);
    }
    if (Pick(random, 5) != 0) page += Pick(random, 2) ? "<html><body>"sv : "x<BODY>"sv;
    while (page.size() < size) AddPiece(random, page);
    page.resize(size);
    // Lay pieces across boundaries: the piece begins 1 to 9 bytes before a chunk's end.
    for (std::size_t boundary = kChunk; boundary < size; boundary += kChunk) {
        if (Pick(random, 4) == 0) continue;
        const std::string_view piece = kPieces[Pick(random, kPieces.size())];
        const std::size_t start = boundary - 1 - Pick(random, 9);
        page.replace(start, std::min(piece.size(), size - start), piece.substr(0, size - start));
    }
    return page;
}
