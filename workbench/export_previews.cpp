#include "export_previews.h"

int ExportPreviews(const QStringList &, QTextStream &, QTextStream &err)
{
    err << "Corvamo: --export-previews is not available in this build\n";
    return 2;
}
