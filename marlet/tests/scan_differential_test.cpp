// The chunk scanner against the byte-at-a-time rules, in memory: many random pages, on every scan
// path the processor runs (forced one after the other). Built once with the vector paths and once
// with the portable one alone.
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

marlet::ScanPath Widest() {
    marlet::ScanPath widest = marlet::ScanPath::Portable;
    for (const marlet::ScanPath path : marlet::kScanPaths) {
        if (marlet::CanRun(path)) widest = path;
    }
    return widest;
}

// Each test runs once per path; a path the processor cannot run is skipped.
class ScanDifferential : public ::testing::TestWithParam<marlet::ScanPath> {
protected:
    void SetUp() override {
        if (!marlet::UseScanPath(GetParam())) GTEST_SKIP() << "this processor or build cannot run it";
        ASSERT_EQ(marlet::CurrentScanPath(), GetParam());
    }
    void TearDown() override { marlet::UseScanPath(Widest()); }
};

INSTANTIATE_TEST_SUITE_P(Paths, ScanDifferential, ::testing::ValuesIn(marlet::kScanPaths),
                         [](const auto& info) { return std::string(marlet::ScanPathName(info.param)); });

TEST_P(ScanDifferential, RandomPagesMatchTheRules) {
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
TEST_P(ScanDifferential, LongPagesMatchTheRules) {
    std::mt19937 random(42);
    for (int i = 0; i < 10; ++i) {
        std::string page = "<body>";
        while (page.size() < 300000) page += RandomPage(random);
        ASSERT_EQ(ScanPage(page), ReferenceText(page)) << "page " << i;
    }
}

// Stale bytes past the chunk's end (left from a longer chunk) must never be taken as markup.
TEST_P(ScanDifferential, BytesPastTheEndAreNotRead) {
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

// Markup packed densely: every 64-byte block holds tags, line breaks, tabs and entities at every
// offset, runs of line breaks cross block borders, and the carry of a tag runs over many blocks.
TEST_P(ScanDifferential, DenseMarkupMatchesTheRules) {
    static const char* const kBits[] = {"<",      ">", "\r", "\n", "\r\n", "\n\n\n",   "\t",
                                        "&nbs",   "&", "a",  "bc", "<s",   "<script>", "</script>",
                                        "<STYLE", "s", " ",  "\0", "<p>",  "x>"};
    std::mt19937 random(7);
    for (int i = 0; i < 3000; ++i) {
        std::string page = "<body>";
        const std::size_t size = random() % 3000;
        // Long tag-free or text-free stretches now and then, so that states carry far.
        const unsigned mode = random() % 4;
        while (page.size() < size) {
            if (mode == 1 && random() % 8 == 0) page.append(random() % 200, '\n');
            if (mode == 2 && random() % 8 == 0) page.append(random() % 200, 'w');
            page += kBits[random() % (sizeof kBits / sizeof *kBits)];
        }
        ASSERT_EQ(ScanPage(page), ReferenceText(page)) << "page " << i;
    }
}

// The widest path the processor runs is the one used unless a test chose another; a path it
// cannot run is refused.
TEST(ScanPaths, WidestRunnableIsTheDefaultAndOthersCanBeForced) {
    const marlet::ScanPath widest = Widest();
    EXPECT_EQ(marlet::CurrentScanPath(), widest);
    for (const marlet::ScanPath path : marlet::kScanPaths) {
        SCOPED_TRACE(marlet::ScanPathName(path));
        EXPECT_EQ(marlet::UseScanPath(path), marlet::CanRun(path));
        if (marlet::CanRun(path)) {
            EXPECT_EQ(marlet::CurrentScanPath(), path);
        }
    }
    EXPECT_TRUE(marlet::CanRun(marlet::ScanPath::Portable));
    marlet::UseScanPath(widest);
}

}  // namespace
