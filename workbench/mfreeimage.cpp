#include "mfreeimage.h"

#include <QFile>

bool SaveImageFile(FREE_IMAGE_FORMAT format, FIBITMAP *bitmap, const QString &fileName, int flags)
{
    return FreeImage_Save(format, bitmap, QFile::encodeName(fileName).constData(), flags) == 1;
}
