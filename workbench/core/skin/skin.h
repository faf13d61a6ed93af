#pragma once

// A skin on disk: what its files are called, how an archive of it is read, and its pictures
// read and written. Uses only the platform layer.
//
//   catalogue.h        Catalogue: the fixed file-name lists (MainJpgNames, ExtraBmpNames, ...)
//   archive_extract.h  ReadArchive and ExtractArchive: a zip entry by entry within ExtractLimits,
//                      never outside the destination; ExtractReport and its Status
//   skin_files.h       SkinFiles: a skin folder or archive opened for reading, or the archive
//                      loading unpacked; HoldsSkinFile, ScratchRootOf
//   image_io.h         SaveImageFile and BmpToJpeg (FreeImage), kMaxBmpPixels
//   free_image.h       the FreeImage calls those use, the library opened on the first one
//   lindquay_bmp.h     LindquayBmpProblem: what the builder would refuse in a BMP (bmp_format)

#include "skin/archive_extract.h"
#include "skin/catalogue.h"
#include "skin/image_io.h"
#include "skin/lindquay_bmp.h"
#include "skin/skin_files.h"
