#pragma once

#include <QString>

namespace corvamo {

// Why Lindquay would refuse to turn this BMP into the loader's picture16, in the words of its
// listing (the text after "ERROR: "); empty when it would convert it: the builder's own header
// check (bmp_format), over the file's first bytes.
QString LindquayBmpProblem(const QString& path);

}  // namespace corvamo
