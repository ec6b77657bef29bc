// Helpers shared by the engine's tests.
#pragma once

#include <string>
#include <vector>

namespace kest2d {
namespace test {

// A fresh folder under the test's scratch area, removed with its contents.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return mPath; }
    // path() + "/" + relative
    std::string file(const std::string& relative) const;

private:
    std::string mPath;
};

// Writes bytes to a file, creating its folders.
void WriteFile(const std::string& path, const std::string& bytes);
// The whole file, or an empty string when it cannot be read.
std::string ReadFile(const std::string& path);
bool PathExists(const std::string& path);
// Recursively removes a folder.
void RemoveTree(const std::string& path);
// UTF-8 source text to the engine's GBK.
std::string Gbk(const std::string& utf8);
// The log file's text ("kest2d.log" in the current folder).
std::string ReadLog();

}  // namespace test
}  // namespace kest2d
