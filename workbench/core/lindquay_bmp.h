#pragma once

#include <QString>

// Why Lindquay would refuse to turn this BMP into the loader's picture16, in the words of its
// listing (the text after "ERROR: "); empty when it would convert it. The rules are the
// builder's header checks, kept here so that the workbench need not link the builder.
QString LindquayBmpProblem(const QString& path);
