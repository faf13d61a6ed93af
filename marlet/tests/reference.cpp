#include "reference.h"

std::string ReferenceText(std::string_view page) {
    bool bodySeen = false;
    bool inTag = false;
    bool inScript = false;
    int breakRun = 0;
    std::string out;
    for (std::size_t offset = 0;; offset += kChunk) {
        const std::string_view chunk = page.substr(std::min(offset, page.size()), kChunk);
        const std::size_t n = chunk.size();
        // Byte by byte: the fuzz target runs this on every byte of every input.
        auto at = [&](std::size_t pos, std::string_view literal) {
            if (pos + literal.size() > n) return false;
            for (std::size_t i = 0; i < literal.size(); ++i) {
                if (chunk[pos + i] != literal[i]) return false;
            }
            return true;
        };
        std::string text;
        std::size_t pos = 0;
        while (pos < n) {
            const char b = chunk[pos];
            if (!bodySeen) {
                const std::string_view asText = chunk.substr(0, chunk.find('\0'));
                if (asText.find("<body") == std::string_view::npos && asText.find("<BODY") == std::string_view::npos)
                    break;
                bodySeen = inTag = true;
                ++pos;
                continue;
            }
            if (inScript) {
                if (b == '<' && (at(pos, "</script>") || at(pos, "</SCRIPT>"))) {
                    inScript = false;
                    pos += 10;
                } else {
                    ++pos;
                }
                continue;
            }
            if (b == '<' && (at(pos, "<script") || at(pos, "<SCRIPT") || at(pos, "<style") || at(pos, "<STYLE"))) {
                inScript = true;
                ++pos;
                continue;
            }
            if (b == '<') inTag = true;
            if (b == '&' && at(pos, "&nbs")) {
                pos += 5;
                continue;
            }
            if (inTag) {
                if (b == '>') inTag = false;
                ++pos;
                continue;
            }
            if (b == '\t') {
                ++pos;
                continue;
            }
            if (b == '\r' || b == '\n') {
                if (breakRun < 2) {
                    text += b;
                    ++breakRun;
                }
                ++pos;
                continue;
            }
            text += b;
            breakRun = 0;
            ++pos;
        }
        out += text.substr(0, text.find('\0'));
        if (n < kChunk) return out;
    }
}
