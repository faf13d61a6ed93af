/* marlet_byte_loop PAGE TEXT: the baseline, a plain byte-at-a-time loop of the same rules over the
 * same 10,240-byte chunks. */
#include <stdio.h>
#include <string.h>

enum { kChunk = 10240 };

static int At(const unsigned char* chunk, size_t pos, size_t n, const char* literal) {
    const size_t length = strlen(literal);
    return n - pos >= length && memcmp(chunk + pos, literal, length) == 0;
}

int main(int argc, char** argv) {
    static unsigned char chunk[kChunk + 1], text[kChunk + 1];
    if (argc != 3) return 64;
    FILE* in = fopen(argv[1], "rb");
    if (!in) return 1;
    FILE* out = fopen(argv[2], "wb");
    if (!out) return 2;
    int bodySeen = 0, inTag = 0, inScript = 0, breakRun = 0;
    size_t n;
    do {
        n = fread(chunk, 1, kChunk, in);
        size_t pos = 0, length = 0;
        chunk[n] = 0;
        if (!bodySeen) {
            if (n == 0 || (!strstr((const char*)chunk, "<body") && !strstr((const char*)chunk, "<BODY"))) continue;
            bodySeen = inTag = 1;
            pos = 1;
        }
        while (pos < n) {
            const unsigned char b = chunk[pos];
            if (inScript) {
                if (b == '<' && (At(chunk, pos, n, "</script>") || At(chunk, pos, n, "</SCRIPT>"))) {
                    inScript = 0;
                    pos += 10;
                } else {
                    ++pos;
                }
            } else if (b == '<' && (At(chunk, pos, n, "<script") || At(chunk, pos, n, "<SCRIPT") ||
                                    At(chunk, pos, n, "<style") || At(chunk, pos, n, "<STYLE"))) {
                inScript = 1;
                ++pos;
            } else if (b == '&' && At(chunk, pos, n, "&nbs")) {
                pos += 5;
            } else if (inTag || b == '<') {
                inTag = b != '>';
                ++pos;
            } else if (b == '\t') {
                ++pos;
            } else if (b == '\r' || b == '\n') {
                if (breakRun < 2) {
                    text[length++] = b;
                    ++breakRun;
                }
                ++pos;
            } else {
                text[length++] = b;
                breakRun = 0;
                ++pos;
            }
        }
        text[length] = 0;
        fwrite(text, 1, strlen((const char*)text), out);
    } while (n == kChunk);
    fclose(in);
    return fclose(out) == 0 ? 0 : 3;
}
