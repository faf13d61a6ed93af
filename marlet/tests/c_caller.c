/* Proves that marlet.h is a clean C header: this file is compiled as C and calls the library. */
#include "marlet.h"

int MarletFromC(const char* inPath, const char* outPath) {
    return Marlet(inPath, outPath) == MARLET_CONVERTED ? 0 : -1;
}
