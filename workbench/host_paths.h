#pragma once

#include <QString>

// Where the workbench keeps its own files: <cache>/Corvamo/ in the user's cache folder
// (XDG_CACHE_HOME, normally ~/.cache).
QString CacheRoot();   // <cache>/Corvamo/
QString TempFolder();  // <cache>/Corvamo/CorvamoTemp/, the temporary folder of the skin
QString ScratchBmp();  // <cache>/Corvamo/temp.bmp, the preview export's scratch file
