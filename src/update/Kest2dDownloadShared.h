// What the download files of this folder share among themselves: libcurl's
// one-time set-up, the workers' log line and the size limit of an update
// list. Other parts of the engine use Kest2dDownloadSupport.h instead.
//
// The download code is split by concern:
//   Kest2dFrameTransfer.cpp  one file over HTTP(S): libcurl, attempts, progress,
//                            name checks, the move into place
//   Kest2dFrameUpdate.cpp    the self-update run: the update INI, the update
//                            list, version text, unpacking, folder making
//   Kest2dFrameDownload.cpp  the UI-thread side: notices, workers, DownloadFile
#pragma once

#include <string>

#include "frame/Kest2dLogger.h"
#include "update/Kest2dDownloadSupport.h"

namespace kest2d {
namespace download {

// An update list is small: a bigger one is refused.
constexpr long long kMaxUpdateListBytes = 1 << 20;

// Sets up libcurl's global state once per process (released at exit); false
// when that failed.
bool EnsureCurl();

// Workers log straight to the logger (thread-safe); the frame's pending-line
// list belongs to the UI thread.
void WorkerLog(Level level, const std::string& text);

}  // namespace download
}  // namespace kest2d
