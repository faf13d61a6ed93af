#include "preview_export.h"

// Not drawn yet.
void DrawDsExport(FormPictures &, ModuleState &, const ViewOptions &) {}
void DrawGbaExport(FormPictures &) {}
QString PreviewOutputPath(PreviewKind, const ModuleState &, const ViewOptions &, const QString &, const QString &)
{
    return {};
}
SaveResult SavePreview(const Picture &, const QString &, const QString &) { return {}; }
