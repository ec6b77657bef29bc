// Helpers of the download code for other parts of the engine that fetch
// single files on threads of their own (the image control).
#pragma once

#include <atomic>
#include <string>

namespace kest2d {

// True when `name` (the last part of an address) is a plain file name that
// stays inside the folder it is put in: no separator of either kind, no drive
// colon, no control characters, not "." or "..".
bool IsPlainDownloadName(const std::string& name);

// Ties the transfers of the calling thread to `flag` (null unties them):
// while the flag is set, a transfer ends at its next progress step and no
// further attempt starts. Tied transfers report no progress to the frame's
// OnProcessFileDownload.
void SetThreadDownloadCancel(const std::atomic<bool>* flag);

// Seconds a transfer may receive nothing before it fails and counts as one of
// its three attempts: 20 by default. Tests shorten it; 0 or less restores the
// default.
void SetDownloadStallSeconds(long seconds);

namespace download {

// The part of `s` after its last '/' (the file name of an address), all of it
// when it has none.
std::string AfterLastSlash(const std::string& s);

}  // namespace download

}  // namespace kest2d
