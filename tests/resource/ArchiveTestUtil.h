// Shared helpers of the archive tests.
#pragma once

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <set>
#include <string>

#include "KesPackWriter.h"
#include "support/TestSupport.h"

namespace kest2d {
namespace test {

// Captures what the readers print on standard output. Google Test prints its
// failures there too: when the test has failed, the captured text is passed
// on to standard error so that the failure stays visible.
class StdoutCapture {
public:
    StdoutCapture() { ::testing::internal::CaptureStdout(); }
    ~StdoutCapture() {
        if (mCapturing) Finish();
    }
    // What was printed since the capture began; `again` starts a new capture.
    std::string Take(bool again = false) {
        std::string s = Finish();
        if (again) {
            ::testing::internal::CaptureStdout();
            mCapturing = true;
        }
        return s;
    }

private:
    std::string Finish() {
        mCapturing = false;
        std::string s = ::testing::internal::GetCapturedStdout();
        if (::testing::Test::HasFailure()) std::fputs(s.c_str(), stderr);
        return s;
    }
    bool mCapturing = true;
};

inline size_t Count(const std::string& text, const std::string& needle) {
    size_t n = 0;
    for (size_t p = text.find(needle); p != std::string::npos; p = text.find(needle, p + 1)) ++n;
    return n;
}

inline bool Contains(const std::string& text, const std::string& needle) {
    return text.find(needle) != std::string::npos;
}

// Deterministic, moderately compressible bytes.
inline std::string Blob(size_t size, unsigned seed = 1) {
    std::string s(size, '\0');
    unsigned x = seed * 2654435761u + 1;
    for (size_t i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        s[i] = static_cast<char>("abcdefgh \r\n0123"[(x >> 16) & 15]);
    }
    return s;
}

// Every path below `root` (relative), for checking what a test wrote.
inline void ListTree(const std::string& root, const std::string& prefix, std::set<std::string>* out) {
    DIR* d = opendir(root.c_str());
    if (!d) return;
    while (dirent* e = readdir(d)) {
        std::string n = e->d_name;
        if (n == "." || n == "..") continue;
        std::string rel = prefix.empty() ? n : prefix + "/" + n;
        out->insert(rel);
        struct stat st;
        if (lstat((root + "/" + n).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) ListTree(root + "/" + n, rel, out);
    }
    closedir(d);
}

inline std::set<std::string> Tree(const std::string& root) {
    std::set<std::string> s;
    ListTree(root, "", &s);
    return s;
}

}  // namespace test
}  // namespace kest2d
