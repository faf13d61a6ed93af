// Marlet on any bytes as a page: it must convert (result 0) and write exactly the text of the
// byte-at-a-time statement of its rules, whatever the bytes and wherever the chunk borders fall.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "marlet.h"
#include "reference.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& dir = fuzz_support::Scratch();
    const std::string page = dir + "/page.htm";
    const std::string text = dir + "/tmp.htm";
    fuzz_support::WriteFile(page, data, size);
    const int rc = Marlet(page.c_str(), text.c_str());
    FUZZ_CHECK(rc == MARLET_CONVERTED, "Marlet returned " + std::to_string(rc) + " for a readable page");
    const std::string got = fuzz_support::ReadFile(text);
    const std::string want = ReferenceText(std::string_view(reinterpret_cast<const char*>(data), size));
    if (got != want) {
        std::size_t at = 0;
        while (at < got.size() && at < want.size() && got[at] == want[at]) ++at;
        FUZZ_CHECK(false, "text differs from the rules at byte " + std::to_string(at) + " (" +
                              std::to_string(got.size()) + " bytes written, " + std::to_string(want.size()) +
                              " expected)");
    }
    return 0;
}
