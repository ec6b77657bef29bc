// Where fonts live. The games name fonts by their place in the Windows folder
// (for example the Windows folder + "\fonts\SIMHEI.TTF"); this maps such names
// to a font file of the system that has Chinese glyphs.
#pragma once

#include <string>

namespace kest2d {
namespace platform {

// The Windows folder as the engine writes it ("C:\WINDOWS"); it exists only as
// a prefix that FontFilePath understands.
std::string GetWindowsDirectory();

// A font of the system with Latin and Chinese outlines: the best match that
// fontconfig finds for Chinese text, else Debian's WenQuanYi Micro Hei. Empty
// when neither exists. The system's fonts are looked up once per process, and
// fontconfig is released as soon as that is done.
std::string SystemChineseFontFile();

// The disk path of an engine font path: a file under the Windows fonts folder
// is taken from the system's fonts when it exists there by name, else it is the
// system's Chinese font; every other path goes through DiskPath.
std::string FontFilePath(const std::string& enginePath);

}  // namespace platform
}  // namespace kest2d
