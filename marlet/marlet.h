/* marlet: converts an HTML page into the plain text the loader's text viewer shows.
 *
 * One call streams the page through in 10,240-byte chunks; no state survives the call, so calls
 * on different file pairs are independent. */
#ifndef MARLET_H
#define MARLET_H

#if defined(_WIN32)
#if defined(MARLET_BUILDING)
#define MARLET_API __declspec(dllexport)
#else
#define MARLET_API __declspec(dllimport)
#endif
#elif defined(__GNUC__)
#define MARLET_API __attribute__((visibility("default")))
#else
#define MARLET_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Results of Marlet. */
enum {
    MARLET_CONVERTED = 0,
    MARLET_INPUT_NOT_OPENABLE = 1, /* the output is not touched */
    MARLET_OUTPUT_NOT_CREATABLE = 2,
    MARLET_IO_ERROR = 3 /* reading or writing failed after both files were opened */
};

/* Converts the page at inPath into text at outPath (created, or emptied when it exists).
 * Returns one of the results above. */
MARLET_API int Marlet(const char* inPath, const char* outPath);

#ifdef __cplusplus
}
#endif

#endif
