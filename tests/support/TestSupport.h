// Helpers shared by the engine's tests.
#pragma once

#include <cstdio>
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
// The file's permission bits (0644), or -1 when it is missing.
int FileMode(const std::string& path);
// Recursively removes a folder.
void RemoveTree(const std::string& path);
// UTF-8 source text to the engine's GBK.
std::string Gbk(const std::string& utf8);
// The log file's text ("kest2d.log" in the current folder).
std::string ReadLog();

// The example game server (examples/server/table_server.py) serving one
// client on a free loopback port, with a fixed shuffle.
class ExampleTableServer {
public:
    ExampleTableServer();
    ~ExampleTableServer();
    ExampleTableServer(const ExampleTableServer&) = delete;
    ExampleTableServer& operator=(const ExampleTableServer&) = delete;
    // The port it listens on, 0 when it did not start.
    int port() const { return mPort; }
    // Waits for the server to end; true when it ended well. `output` gets
    // everything it printed.
    bool Finish(std::string* output);

private:
    FILE* mPipe = nullptr;
    int mPort = 0;
    std::string mOutput;
};

}  // namespace test
}  // namespace kest2d
