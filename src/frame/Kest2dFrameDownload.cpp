// Downloads and the self-update.
#include "frame/Kest2dBaseFrame.h"

namespace kest2d {

int CKesBaseFrame::OnProcessFileDownload(std::string /*file*/, double /*totalToDownload*/, double /*nowDownloaded*/,
                                         double /*totalToUpload*/, double /*nowUploaded*/) {
    return 0;
}

void CKesBaseFrame::ShutdownDownloads() {}

void CKesBaseFrame::OnProcessUpdateState() {}

}  // namespace kest2d
