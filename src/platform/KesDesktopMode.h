// The desktop's display mode while a full-screen game holds another one.
// SDL gives the mode back when the game's window leaves full screen or goes
// away; a process ended at once (a second termination signal, KesBacker.cpp)
// gets no such chance, so the mode the desktop had is noted before the game
// first asks for full screen, and put back from here.
#pragma once

namespace kest2d {
namespace platform {

// Before a window is made full screen: notes the desktop's mode, unless a
// full-screen window already holds the display (the mode then is the game's).
void HoldDesktopMode();
// The full-screen window has left full screen or is gone: SDL has put the
// desktop's mode back, and nothing is left to restore.
void ReleaseDesktopMode();
// Puts the noted desktop mode back while a full-screen window holds the
// display; nothing otherwise. Talks to the display over a connection of its
// own, so it may run on any thread while the UI thread is busy, but it is
// not for a signal handler.
void RestoreDesktopMode();

}  // namespace platform
}  // namespace kest2d
