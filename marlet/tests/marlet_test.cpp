// Marlet through its one export on real files: the rules as users see them, the chunk
// boundaries, the results, and the export itself.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <sstream>
#include <string>

#include "marlet.h"
#include "random_pages.h"
#include "reference.h"
#include "testsupport/run_program.h"
#include "testsupport/sandbox.h"

extern "C" int MarletFromC(const char* inPath, const char* outPath);

namespace fs = std::filesystem;
using namespace std::string_literals;
using testsupport::ReadFile;
using testsupport::RunProgram;
using testsupport::RunResult;
using testsupport::WriteFile;

namespace {

class MarletTest : public ::testing::Test {
protected:
    fs::path Path(const std::string& name) const { return dir_ / name; }

    // The text Marlet writes for a page, or a note of the failing result.
    std::string Convert(const std::string& page) {
        WriteFile(Path("page.htm"), page);
        const int result = Marlet(Path("page.htm").c_str(), Path("page.txt").c_str());
        if (result != 0) return "result " + std::to_string(result);
        return ReadFile(Path("page.txt"));
    }

    testsupport::Sandbox box_;
    fs::path dir_ = box_.path();
};

// Pages that fit in one chunk; most open the body at once.
struct Case {
    const char* name;
    std::string page;
    std::string text;
};

const std::string B = "<body>";

const Case kCases[] = {
    {"crlf page: title text is written",
     "<html>\r\n<head>\r\n<title>\r\nT\r\n</title>\r\n</head>\r\n<body>\r\nHi\r\n</body>\r\n</html>\r\n",
     "\r\nT\r\nHi\r\n"},
    {"no body tag", "<html><p>text</p></html>", ""},
    {"mixed-case body tag does not count", "<Body>text", ""},
    {"upper-case body tag", "<BODY>text", "text"},
    {"body chunk: first byte skipped, text up to the first > dropped", "xyz>abc<body>def", "abcdef"},
    {"first byte skipped even when it is >", ">lost>kept<body>", "kept"},
    {"NUL before the body tag hides it", "a\0<body>text"s, ""},
    {"nbsp with semicolon leaves the semicolon", B + "a&nbsp;b", "a;b"},
    {"ampersand nbs and any fifth byte dropped", B + "a&nbsXb", "ab"},
    {"ampersand nbs at the very end", B + "a&nbs", "a"},
    {"short nbsp prefix is text", B + "a&nb", "a&nb"},
    {"other entities unchanged", B + "&amp;&lt;&NBSP;", "&amp;&lt;&NBSP;"},
    {"nbsp inside a tag can swallow its >", B + "<a&nbs>x>y", "y"},
    {"script block and the byte after its end tag", B + "a<script>var x;</script>\r\nb", "a\nb"},
    {"upper-case script", B + "a<SCRIPT>x</SCRIPT>Zb", "ab"},
    {"mixed-case script is an ordinary tag", B + "<Script>x=1</Script>y", "x=1y"},
    {"style ends only at a script end tag", B + "<style>p{}</style>rest", ""},
    {"style ended by a script end tag", B + "<STYLE>p{}</script>\nrest", "rest"},
    {"mixed-case style is an ordinary tag", B + "<Style>p{}</Style>", "p{}"},
    {"script start inside a tag keeps the tag open", B + "<a <script>x</script>yz>w", "w"},
    {"script end tag outside a script is a tag", B + "a</script>b", "ab"},
    {"LF blank line stays", B + "a\n\nb", "a\n\nb"},
    {"CR LF blank line becomes one CR LF", B + "a\r\n\r\nb", "a\r\nb"},
    {"line-break runs capped at two", B + "a\n\n\n\n\nb\r\r\r", "a\n\nb\r\r"},
    {"dropped bytes do not end a run", B + "a\r\n<p>\r\nb", "a\r\nb"},
    {"tabs dropped and do not end a run", B + "\ta\t\tb\n\t\n\nc", "ab\n\nc"},
    {"NUL ends the text of its chunk", B + "ab\0cd"s, "ab"},
    {"> outside a tag, spaces and raw UTF-8 are text", B + "a > b \xc3\xa9", "a > b \xc3\xa9"},
    {"comment skipped as a tag", B + "a<!-- c -->b", "ab"},
    {"empty page", "", ""},
};

TEST_F(MarletTest, ConvertsPagesByTheRules) {
    for (const Case& c : kCases) {
        EXPECT_EQ(Convert(c.page), c.text) << c.name;
    }
}

// Pages laid so that a piece falls on the 10,240-byte boundary.
// The page is the body tag, the opening, filler x up to the offset at, then the piece.
struct BoundaryCase {
    const char* name;
    std::string opening;
    std::size_t at;
    std::string piece;
    std::string text;
};

// The filler between the body tag and a boundary piece.
std::string Xs(std::size_t at) { return std::string(at - B.size(), 'x'); }

TEST_F(MarletTest, HandlesChunkBoundaries) {
    const std::size_t k = kChunk;
    const BoundaryCase cases[] = {
        {"tag cut by the boundary is still skipped", "", k - 3, "<a href=q>after", Xs(k - 3) + "after"},
        {"script start tag cut is an ordinary tag", "", k - 3, "<script>var", Xs(k - 3) + "var"},
        {"script end tag cut is not recognised", "<script>", k - 4, "</script>lost</script>\nZ", "Z"},
        {"script end tag ending the chunk: next chunk starts normally", "<script>", k - 9, "</script>Zrest", "Zrest"},
        {"nbsp cut is text", "", k - 2, "&nbsp;", Xs(k - 2) + "&nbsp;"},
        {"nbs ending the chunk drops only up to the chunk's end", "", k - 4, "&nbsp;", Xs(k - 4) + "p;"},
        {"line-break run carries over", "", k - 2, "\n\n\nY", Xs(k - 2) + "\n\nY"},
        {"NUL ends only its own chunk's text", "", k - 3, "ab\0cd"s, Xs(k - 3) + "abcd"},
    };
    for (const BoundaryCase& c : cases) {
        std::string page = B + c.opening;
        page.append(c.at - page.size(), 'x');
        page += c.piece;
        EXPECT_EQ(Convert(page), c.text) << c.name;
    }
}

TEST_F(MarletTest, BodyTagCutByTheBoundaryIsNotFound) {
    std::string page(kChunk - 3, 'a');
    page += "<body>lost";  // "<bo" ends the first chunk
    page.resize(2 * kChunk, 'b');
    page += "text<body>more";
    EXPECT_EQ(Convert(page), "more");
}

TEST_F(MarletTest, BodyInTheSecondChunkOfA25000BytePage) {
    std::string page = "<html><title>head</title>";
    page.resize(kChunk, 'h');
    page += ">lost>kept";  // the skipped first byte does not end the tag
    page.resize(15000, 'y');
    page += "<body>Hi";
    page.resize(25000, 'z');
    EXPECT_EQ(Convert(page), "kept" + std::string(15000 - kChunk - 10, 'y') + "Hi" + std::string(25000 - 15008, 'z'));
}

TEST_F(MarletTest, PagesOfWholeChunks) {
    for (std::size_t size : {kChunk, 2 * kChunk}) {
        std::string page = B;
        page.resize(size, 'x');
        EXPECT_EQ(Convert(page), std::string(size - B.size(), 'x')) << size;
    }
}

TEST_F(MarletTest, RandomPagesMatchTheRules) {
    std::mt19937 random(7);
    for (int i = 0; i < 300; ++i) {
        const std::string page = RandomPage(random);
        ASSERT_EQ(Convert(page), ReferenceText(page)) << "page " << i;
    }
}

// The library reads and writes several chunks at a time; the chunks must still be filtered
// one by one, with the end of each read falling anywhere in a page.
TEST_F(MarletTest, LongPagesAcrossManyReadsMatchTheRules) {
    std::mt19937 random(11);
    for (std::size_t size : {6 * kChunk - 1, 6 * kChunk, 6 * kChunk + 1, 12 * kChunk, 12 * kChunk + 7}) {
        std::string page = "<body>";
        while (page.size() < size) page += RandomPage(random);
        page.resize(size);
        ASSERT_EQ(Convert(page), ReferenceText(page)) << size;
    }
    for (int i = 0; i < 10; ++i) {
        std::string page;
        while (page.size() < 400000) page += RandomPage(random);
        ASSERT_EQ(Convert(page), ReferenceText(page)) << "page " << i;
    }
}

TEST_F(MarletTest, MissingInputGivesOneAndLeavesTheOutputAlone) {
    WriteFile(Path("old.txt"), "keep");
    EXPECT_EQ(Marlet(Path("missing.htm").c_str(), Path("old.txt").c_str()), MARLET_INPUT_NOT_OPENABLE);
    EXPECT_EQ(ReadFile(Path("old.txt")), "keep");
    EXPECT_EQ(Marlet(Path("missing.htm").c_str(), Path("new.txt").c_str()), MARLET_INPUT_NOT_OPENABLE);
    EXPECT_FALSE(fs::exists(Path("new.txt")));
    EXPECT_EQ(Marlet(dir_.c_str(), Path("new.txt").c_str()), MARLET_INPUT_NOT_OPENABLE);  // a folder
    EXPECT_FALSE(fs::exists(Path("new.txt")));
    EXPECT_EQ(Marlet(nullptr, Path("new.txt").c_str()), MARLET_INPUT_NOT_OPENABLE);
}

TEST_F(MarletTest, UncreatableOutputGivesTwo) {
    WriteFile(Path("page.htm"), B + "text");
    EXPECT_EQ(Marlet(Path("page.htm").c_str(), Path("no/such/folder.txt").c_str()), MARLET_OUTPUT_NOT_CREATABLE);
    EXPECT_EQ(Marlet(Path("page.htm").c_str(), dir_.c_str()), MARLET_OUTPUT_NOT_CREATABLE);
    EXPECT_EQ(Marlet(Path("page.htm").c_str(), nullptr), MARLET_OUTPUT_NOT_CREATABLE);
}

TEST_F(MarletTest, OutputNamingTheInputDoesNotEmptyIt) {
    WriteFile(Path("page.htm"), B + "text");
    fs::create_symlink(Path("page.htm"), Path("link.htm"));
    EXPECT_EQ(Marlet(Path("page.htm").c_str(), Path("page.htm").c_str()), MARLET_OUTPUT_NOT_CREATABLE);
    EXPECT_EQ(Marlet(Path("page.htm").c_str(), Path("link.htm").c_str()), MARLET_OUTPUT_NOT_CREATABLE);
    EXPECT_EQ(ReadFile(Path("page.htm")), B + "text");
}

TEST_F(MarletTest, ExistingOutputIsEmptiedFirst) {
    WriteFile(Path("page.htm"), "no body here");
    WriteFile(Path("page.txt"), "old text");
    EXPECT_EQ(Marlet(Path("page.htm").c_str(), Path("page.txt").c_str()), MARLET_CONVERTED);
    EXPECT_EQ(ReadFile(Path("page.txt")), "");
}

TEST_F(MarletTest, WriteErrorGivesThree) {
    WriteFile(Path("page.htm"), B + std::string(3 * kChunk, 'x'));
    EXPECT_EQ(Marlet(Path("page.htm").c_str(), "/dev/full"), MARLET_IO_ERROR);
}

TEST_F(MarletTest, ReadErrorGivesThreeAndClosesTheOutput) {
    // Reading a process's own memory file from offset 0 fails with an I/O error.
    EXPECT_EQ(Marlet("/proc/self/mem", Path("page.txt").c_str()), MARLET_IO_ERROR);
    EXPECT_TRUE(fs::exists(Path("page.txt")));
    EXPECT_TRUE(fs::remove(Path("page.txt")));
}

TEST_F(MarletTest, HeaderWorksFromC) {
    WriteFile(Path("page.htm"), B + "text");
    EXPECT_EQ(MarletFromC(Path("page.htm").c_str(), Path("page.txt").c_str()), 0);
    EXPECT_EQ(ReadFile(Path("page.txt")), "text");
}

TEST_F(MarletTest, ExportsOnlyMarlet) {
    const RunResult nm = RunProgram({"nm", "-D", "--defined-only", MARLET_LIBRARY});
    ASSERT_EQ(nm.exitCode, 0) << nm.err;
    std::istringstream lines(nm.out);
    std::vector<std::string> names;
    for (std::string address, kind, name; lines >> address >> kind >> name;) names.push_back(name);
    EXPECT_EQ(names, std::vector<std::string>{"Marlet"});
}

// The command-line front, run from a program folder of its own as a user would.
TEST_F(MarletTest, CommandLineFront) {
    fs::create_directories(Path("prog"));
    fs::copy_file(MARLET_CLI, Path("prog/marlet"));
    fs::copy_file(MARLET_LIBRARY, Path("prog/libmarlet.so"));
    WriteFile(Path("page.htm"), B + "Hi&nbsp;there");
    struct Call {
        std::vector<std::string> arguments;
        int exitCode;
        std::string message;  // how standard error begins
    } calls[] = {
        {{"page.htm", "page.txt"}, 0, ""},
        {{"missing.htm", "page.txt"}, 1, "marlet: cannot open the page missing.htm for reading\n"},
        {{"page.htm", "no/dir/page.txt"}, 2, "marlet: cannot create the text file no/dir/page.txt\n"},
        {{"page.htm", "/dev/full"},
         3,
         "marlet: reading page.htm or writing /dev/full failed; /dev/full is incomplete\n"},
        {{"page.htm"}, 2, "usage: marlet PAGE TEXT\n"},
    };
    for (const Call& call : calls) {
        std::vector<std::string> argv{Path("prog/marlet")};
        argv.insert(argv.end(), call.arguments.begin(), call.arguments.end());
        const RunResult run = RunProgram(argv, dir_);
        EXPECT_EQ(run.exitCode, call.exitCode) << call.message;
        EXPECT_EQ(run.err.substr(0, call.message.size()), call.message);
        EXPECT_EQ(run.out, "") << call.message;
    }
    EXPECT_EQ(ReadFile(Path("page.txt")), "Hi;there");
}

}  // namespace
