// The engine's one logger: "[hh:mm:ss] [tag] message" lines to "kest2d.log",
// or to the console when no file is open. Safe to call from worker threads.
#pragma once

#include <ostream>
#include <string>

namespace kest2d {

// Any level above the threshold is dropped, however high its number.
enum Level : int { FATAL = 0, ERRORR = 1, WARN = 2, INFO = 3, DEBUGG = 4 };

class CKesLogger {
public:
    // Closes an open file, then opens `path` with truncation. Throws
    // std::ios_base::failure("unable to open " + path + "for writing").
    static void setLogFile(const std::string& path);
    // Logs one message; returns the formatted line ("" when the level is above
    // the threshold).
    static std::string output(const std::string& message, Level level);
    static std::string timestamp();
    static void writeLine(std::ostream& stream, const std::string& message, const std::string& tag);

    // True when a line of `level` would be written: callers test this before
    // they build a message.
    static bool admits(Level level) { return getThreshold() >= level; }
    static Level getThreshold();
    static void setThreshold(Level level);
    static void setTimestamp(bool on);
    static void setEcho(bool on);
    static bool isFileOpen();
    static void closeLogFile();
    static const char* tag(Level level);
};

}  // namespace kest2d
