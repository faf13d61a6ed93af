// The chunk scanner against the byte-at-a-time rules, in memory: many random pages. Built once
// with the vector scan and once with the portable one.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "random_pages.h"
#include "reference.h"
#include "scan.h"

namespace {

// The same chunk loop as the library's, without files.
std::string ScanPage(std::string_view page) {
    std::vector<unsigned char> chunk(marlet::kChunkSize + marlet::kSlack, 0xAA);
    std::vector<unsigned char> text(marlet::kChunkSize + marlet::kSlack);
    marlet::State state;
    std::string out;
    for (std::size_t offset = 0;; offset += marlet::kChunkSize) {
        const std::string_view part = page.substr(std::min(offset, page.size()), marlet::kChunkSize);
        std::memcpy(chunk.data(), part.data(), part.size());
        std::size_t length = marlet::ScanChunk(state, chunk.data(), part.size(), text.data());
        const std::string_view written(reinterpret_cast<const char*>(text.data()), length);
        out += written.substr(0, written.find('\0'));
        if (part.size() < marlet::kChunkSize) return out;
    }
}

TEST(ScanDifferential, RandomPagesMatchTheRules) {
    std::mt19937 random(20261207);
    std::size_t bytes = 0;
    for (int i = 0; i < 4000; ++i) {
        const std::string page = RandomPage(random);
        bytes += page.size();
        ASSERT_EQ(ScanPage(page), ReferenceText(page)) << "page " << i << " of " << page.size() << " bytes";
    }
    EXPECT_GT(bytes, 4000u * 10000u);
}

// Long pages carry every state across many chunks.
TEST(ScanDifferential, LongPagesMatchTheRules) {
    std::mt19937 random(42);
    for (int i = 0; i < 10; ++i) {
        std::string page = "<body>";
        while (page.size() < 300000) page += RandomPage(random);
        ASSERT_EQ(ScanPage(page), ReferenceText(page)) << "page " << i;
    }
}

// Stale bytes past the chunk's end (left from a longer chunk) must never be taken as markup.
TEST(ScanDifferential, BytesPastTheEndAreNotRead) {
    struct Case {
        std::string_view chunk, text;
    };
    const Case cases[] = {{"ab&nb", "ab&nb"}, {"ab</scr", "ab"}, {"x", "x"}, {"a<scri", "a"}, {"&nbs", ""}};
    std::vector<unsigned char> chunk(marlet::kChunkSize + marlet::kSlack);
    std::vector<unsigned char> text(marlet::kChunkSize + marlet::kSlack);
    for (const Case& c : cases) {
        for (std::size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<unsigned char>("p</script>&nbsp"[i % 15]);
        std::memcpy(chunk.data(), c.chunk.data(), c.chunk.size());
        marlet::State state{true, false, false, 0};
        const std::size_t length = marlet::ScanChunk(state, chunk.data(), c.chunk.size(), text.data());
        EXPECT_EQ(std::string_view(reinterpret_cast<const char*>(text.data()), length), c.text) << c.chunk;
    }
}

}  // namespace
