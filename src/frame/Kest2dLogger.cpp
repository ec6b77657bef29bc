#include "frame/Kest2dLogger.h"

#include <atomic>
#include <ctime>
#include <fstream>
#include <iostream>
#include <mutex>
#include <stdexcept>

#include "platform/KesFiles.h"

namespace kest2d {

namespace {

struct LoggerState {
    std::mutex mutex;
    std::ofstream file;
    std::atomic<int> threshold{INFO};
    std::atomic<bool> stamp{true};
    std::atomic<bool> echo{false};
};

LoggerState& S() {
    static LoggerState* s = new LoggerState();  // used until the very end of the process
    return *s;
}

const char* const kTags[5] = {"[致命]", "[错误]", "[警告]", "[信息]", "[调试]"};

// A write that fails (a full disk) must not end the program: report once.
void SafeWriteLine(std::ostream& stream, const std::string& message, const std::string& tag) {
    try {
        CKesLogger::writeLine(stream, message, tag);
    } catch (const std::exception&) {
        static std::atomic<bool> reported{false};
        stream.clear();
        if (!reported.exchange(true)) std::cerr << "kest2d: writing the log failed" << std::endl;
    }
}

// The library's own failure appends its error category to the text
// (": iostream error"); the log file's failure carries exactly its text.
class LogFileFailure : public std::ios_base::failure {
public:
    explicit LogFileFailure(const std::string& text) : std::ios_base::failure(text), mText(text) {}
    const char* what() const noexcept override { return mText.what(); }

private:
    std::runtime_error mText;  // shares its text when the exception is copied
};

}  // namespace

void CKesLogger::setLogFile(const std::string& path) {
    LoggerState& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.file.is_open()) s.file.close();
    s.file.clear();
    s.file.exceptions(std::ios::goodbit);
    s.file.open(platform::DiskPath(path), std::ios::out | std::ios::trunc | std::ios::binary);
    if (!s.file.is_open()) {
        s.file.clear();
        throw LogFileFailure("unable to open " + path + "for writing");
    }
    s.file.exceptions(std::ios::failbit | std::ios::badbit);
}

std::string CKesLogger::timestamp() {
    std::time_t now = std::time(nullptr);
    std::tm tmv{};
    localtime_r(&now, &tmv);
    char buf[16];
    std::snprintf(buf, sizeof(buf), "[%02d:%02d:%02d]", tmv.tm_hour, tmv.tm_min, tmv.tm_sec);
    return buf;
}

void CKesLogger::writeLine(std::ostream& stream, const std::string& message, const std::string& tag) {
    if (S().stamp) stream << timestamp() << ' ';
    if (!tag.empty()) stream << tag << ' ';
    stream << message << std::endl;
}

std::string CKesLogger::output(const std::string& message, Level level) {
    LoggerState& s = S();
    if (s.threshold < level) return std::string();
    const std::string tagText = tag(level);
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        bool open = s.file.is_open();
        if (open) SafeWriteLine(s.file, message, tagText);
        if (!open || s.echo) SafeWriteLine(level <= WARN ? std::cerr : std::cout, message, tagText);
    }
    std::string line;
    if (s.stamp) line = timestamp() + " ";
    line += tagText + " " + message + "\n";
    return line;
}

Level CKesLogger::getThreshold() { return static_cast<Level>(S().threshold.load()); }
void CKesLogger::setThreshold(Level level) { S().threshold = level; }
void CKesLogger::setTimestamp(bool on) { S().stamp = on; }
void CKesLogger::setEcho(bool on) { S().echo = on; }

bool CKesLogger::isFileOpen() {
    std::lock_guard<std::mutex> lock(S().mutex);
    return S().file.is_open();
}

void CKesLogger::closeLogFile() {
    std::lock_guard<std::mutex> lock(S().mutex);
    if (S().file.is_open()) {
        S().file.exceptions(std::ios::goodbit);
        S().file.close();
    }
}

// A level beyond the five tags (one that a threshold raised past DEBUGG lets
// through, or a host's own number) takes the nearest one.
const char* CKesLogger::tag(Level level) {
    int index = level < FATAL ? 0 : (level > DEBUGG ? 4 : level);
    return kTags[index];
}

}  // namespace kest2d
