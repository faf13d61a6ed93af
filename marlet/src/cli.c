/* marlet PAGE TEXT: converts one page the way the loader will show it. */
#include <stdio.h>
#include <string.h>

#include "marlet.h"

static const char kUsage[] =
    "usage: marlet PAGE TEXT\n  writes the text the loader shows for the HTML page PAGE into the file TEXT\n";

int main(int argc, char** argv) {
    if (argc == 2 && strcmp(argv[1], "--help") == 0) {
        fputs(kUsage, stdout);
        return 0;
    }
    if (argc == 2 && strcmp(argv[1], "--version") == 0) {
        printf("marlet %s\n", CORVAMO_VERSION);
        return 0;
    }
    if (argc != 3) {
        fputs(kUsage, stderr);
        return 2; /* the toolkit's code for a wrong command line */
    }
    const int result = Marlet(argv[1], argv[2]);
    switch (result) {
        case MARLET_CONVERTED:
            break;
        case MARLET_INPUT_NOT_OPENABLE:
            fprintf(stderr, "marlet: cannot open the page %s for reading\n", argv[1]);
            break;
        case MARLET_OUTPUT_NOT_CREATABLE:
            fprintf(stderr, "marlet: cannot create the text file %s\n", argv[2]);
            break;
        default:
            fprintf(stderr, "marlet: reading %s or writing %s failed; %s is incomplete\n", argv[1], argv[2], argv[2]);
            break;
    }
    return result; /* the exit code is Marlet's result */
}
