// Marlet on any bytes as a page: it must convert (result 0) and write exactly the text of the
// byte-at-a-time statement of its rules, whatever the bytes and wherever the chunk borders fall,
// on every scan path this processor runs (one chosen per input by its bytes).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "marlet.h"
#include "reference.h"
#include "scan.h"
#include "streams.h"

namespace {

// The text Marlet makes of the page: through the files of Marlet itself for one input in 16, else
// on memory streams, which spares the
// system calls that cost more than the scan.
std::string Convert(const std::uint8_t* data, std::size_t size) {
    if (fuzz_support::OneIn(16, data, size)) {
        const std::string& dir = fuzz_support::Scratch();
        const std::string page = dir + "/page.htm";
        const std::string text = dir + "/tmp.htm";
        fuzz_support::WriteFile(page, data, size);
        const int rc = Marlet(page.c_str(), text.c_str());
        FUZZ_CHECK(rc == MARLET_CONVERTED, "Marlet returned " + std::to_string(rc) + " for a readable page");
        return fuzz_support::ReadFile(text);
    }
    std::FILE* in = ::fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
    char* buffer = nullptr;
    std::size_t length = 0;
    std::FILE* out = ::open_memstream(&buffer, &length);
    FUZZ_CHECK(in && out, "cannot open memory streams");
    const int rc = marlet::ConvertStreams(in, out);
    std::fclose(in);
    std::fclose(out);
    std::string text(buffer, length);
    std::free(buffer);
    FUZZ_CHECK(rc == MARLET_CONVERTED, "the conversion returned " + std::to_string(rc) + " for a page in memory");
    return text;
}

// The scan paths this processor runs, narrowest first.
const std::vector<marlet::ScanPath>& RunnablePaths() {
    static const std::vector<marlet::ScanPath> paths = [] {
        std::vector<marlet::ScanPath> runnable;
        for (const marlet::ScanPath path : marlet::kScanPaths) {
            if (marlet::CanRun(path)) runnable.push_back(path);
        }
        return runnable;
    }();
    return paths;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<marlet::ScanPath>& paths = RunnablePaths();
    const marlet::ScanPath path = paths[fuzz_support::Pick(paths.size(), data, size)];
    FUZZ_CHECK(marlet::UseScanPath(path), "cannot use the scan path it can run");
    const std::string got = Convert(data, size);
    const std::string want = ReferenceText(std::string_view(reinterpret_cast<const char*>(data), size));
    if (got != want) {
        std::size_t at = 0;
        while (at < got.size() && at < want.size() && got[at] == want[at]) ++at;
        FUZZ_CHECK(false, "text differs from the rules on the " + std::string(marlet::ScanPathName(path)) +
                              " scan path at byte " + std::to_string(at) + " (" + std::to_string(got.size()) +
                              " bytes written, " + std::to_string(want.size()) + " expected)");
    }
    return 0;
}
