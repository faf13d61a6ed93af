#pragma once

#include <FreeImage.h>

#include <QString>

// The two helpers several handlers share.

// FreeImage_Save with the same values; true exactly when the library returns 1.
bool SaveImageFile(FREE_IMAGE_FORMAT format, FIBITMAP* bitmap, const QString& fileName, int flags);

// Starts the command line (a script is run as /bin/sh SCRIPT) and returns when it has ended,
// processing window events every 100 ms meanwhile. showMode has no effect for a windowless child.
void ShellAndWait(const QString& commandLine, int showMode);

// ShellAndWait, telling how many 100 ms passes the wait took (at least one), or -1 when the
// program could not be started.
int ShellAndWaitPasses(const QString& commandLine, int showMode);
