// What the message loop asks of the video backer (KesBacker.cpp).
#pragma once

namespace kest2d {
namespace platform {

// True once SDL's video and events run (InitVideoBacker).
bool VideoBackerStarted();
// A termination signal arrived since the request was last cleared (only after
// CloseWindowsOnTerminationSignals).
bool TerminationRequested();
void ClearTerminationRequest();

}  // namespace platform
}  // namespace kest2d
