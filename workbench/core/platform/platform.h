#pragma once

// The platform layer of Corvamo's core: everything that knows the host, and nothing above it.
//
//   host_layer.h     Host: every file, volume, process and browser call the workbench makes
//                    (virtual, so that tests fail single operations); ShellAndWaitPasses; VolumeOf
//   paths.h          folder and part-file path helpers (WithSlash, FolderPath, PartPathBeside)
//   cache_folders.h  CacheFolders and CacheLease: the temporary folder and scratch file, locked
//                    for one window or private to one command-line run
//   status.h         Status: what an operation that can fail returns (success, or why not)
//   messages.h       MessageBoxes, the one road of every message box; RecordedMessages for tests,
//                    GuardedMessages, which knows when a box is open
//
// Uses Qt Core and Gui only.

#include "platform/cache_folders.h"
#include "platform/host_layer.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "platform/status.h"
