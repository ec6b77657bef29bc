// The audio back end of the engine: streams (music) and samples (effects)
// addressed by handles, played on SDL2_mixer channels. A stream owns one
// mixer channel and is decoded a block at a time while it plays (libsndfile
// reads its file on the mixer's thread and the block goes out through the
// channel); only a stream in a format that the mixer's own loaders alone read
// (tracker modules, MIDI) is decoded whole. A sample is decoded whole and owns
// a few channels, each playback of it being a channel handle of its own. When
// no output device opens, the back end runs on SDL's dummy driver: everything
// works, nothing is heard.
//
// Handles are never reused while the back end runs, so a handle whose sound
// was freed, or a sample channel taken over by a newer playback, is simply
// refused (its state is 0).
#pragma once

#include <string>

#include "platform/KesWinTypes.h"

namespace kest2d {
namespace platform {

// Channel states.
enum : DWORD { KES_AUDIO_STOPPED = 0, KES_AUDIO_PLAYING = 1, KES_AUDIO_PAUSED = 3 };
// Playback attributes.
enum : DWORD { KES_AUDIO_ATTRIB_VOL = 2, KES_AUDIO_ATTRIB_PAN = 3 };
// Global volumes, 0 .. 10000.
enum : DWORD { KES_AUDIO_GVOL_SAMPLE = 4, KES_AUDIO_GVOL_STREAM = 5 };

// Starts output on `device` (1: the default output, 0: no sound) at `rate` Hz.
// False when that device cannot be opened; then call again with device 0.
bool AudioInit(int device, int rate);
// True between a successful AudioInit and AudioFree.
bool AudioIsStarted();
// True when output goes to the dummy (silent) driver.
bool AudioIsSilent();
// Halts every channel.
void AudioStop();
// Frees every stream and sample and closes the output.
void AudioFree();

// A file as a stream, looping when asked: opening reads only its headers, and
// it is decoded while it plays. A stopped or ended stream plays again from
// its beginning. 0 on failure.
DWORD AudioStreamCreateFile(const std::string& file, bool loop);
// A whole file as a sample with at most `maxPlaybacks` playbacks at once; 0 on failure.
DWORD AudioSampleLoad(const std::string& file, int maxPlaybacks);
// A new playback channel of a sample (not started). When every playback is
// busy, the one that has played longest is halted and taken over.
DWORD AudioSampleGetChannel(DWORD sample);
bool AudioStreamFree(DWORD stream);
bool AudioSampleFree(DWORD sample);

// Channel operations take a stream, a sample channel, or a sample (then they
// act on every playback of the sample). `restart` plays from the beginning.
bool AudioChannelPlay(DWORD handle, bool restart);
bool AudioChannelPause(DWORD handle);
bool AudioChannelStop(DWORD handle);
// KES_AUDIO_PLAYING, KES_AUDIO_PAUSED or KES_AUDIO_STOPPED (also for an
// unknown or stale handle). A sample reports playing when one of its
// playbacks plays, else paused when one is paused.
DWORD AudioChannelIsActive(DWORD handle);
// Volume 0 .. 1 and pan -1 (left) .. 1 (right) of a stream or sample channel.
bool AudioChannelSetAttribute(DWORD handle, DWORD attrib, float value);
bool AudioChannelGetAttribute(DWORD handle, DWORD attrib, float* value);

// Global volumes. Values are kept as given; out-of-range values act as the
// nearest end of 0 .. 10000.
bool AudioSetConfig(DWORD option, DWORD value);
DWORD AudioGetConfig(DWORD option);

// Number of mixer channels playing or paused now (diagnostics and tests).
int AudioActiveChannelCount();

}  // namespace platform
}  // namespace kest2d
