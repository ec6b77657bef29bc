#include "support/TestSupport.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/KesCharset.h"

namespace kest2d {
namespace test {

namespace {
std::atomic<int> gCounter{0};
}

TempDir::TempDir() {
    char buf[4096];
    std::string base = getcwd(buf, sizeof(buf)) ? buf : "/tmp";
    mPath = base + "/tmp" + std::to_string(gCounter++);
    RemoveTree(mPath);
    ::mkdir(mPath.c_str(), 0755);
}

TempDir::~TempDir() { RemoveTree(mPath); }

std::string TempDir::file(const std::string& relative) const { return mPath + "/" + relative; }

void WriteFile(const std::string& path, const std::string& bytes) {
    for (size_t i = 1; i < path.size(); ++i)
        if (path[i] == '/') ::mkdir(path.substr(0, i).c_str(), 0755);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::string();
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool PathExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

int FileMode(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
}

void RemoveTree(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) return;
    if (S_ISDIR(st.st_mode)) {
        if (DIR* d = opendir(path.c_str())) {
            while (dirent* e = readdir(d)) {
                std::string n = e->d_name;
                if (n == "." || n == "..") continue;
                RemoveTree(path + "/" + n);
            }
            closedir(d);
        }
        ::rmdir(path.c_str());
    } else {
        ::unlink(path.c_str());
    }
}

std::string Gbk(const std::string& utf8) { return platform::Utf8ToGbk(utf8); }

std::string ReadLog() { return ReadFile("kest2d.log"); }

ExampleTableServer::ExampleTableServer() {
    const std::string cmd = "python3 '" + std::string(KEST2D_SOURCE_DIR) +
                            "/examples/server/table_server.py' --port 0 --once --seed 7 --timeout 30 2>&1";
    mPipe = ::popen(cmd.c_str(), "r");
    if (!mPipe) return;
    // The first line names the port: "listening on 127.0.0.1:PORT".
    char line[512];
    if (!std::fgets(line, sizeof(line), mPipe)) return;
    mOutput = line;
    const size_t colon = mOutput.rfind(':');
    if (mOutput.rfind("listening on", 0) == 0 && colon != std::string::npos)
        mPort = std::atoi(mOutput.c_str() + colon + 1);
}

ExampleTableServer::~ExampleTableServer() { Finish(nullptr); }

bool ExampleTableServer::Finish(std::string* output) {
    bool ok = false;
    if (mPipe) {
        char line[512];
        while (std::fgets(line, sizeof(line), mPipe)) mOutput += line;
        ok = ::pclose(mPipe) == 0;
        mPipe = nullptr;
    }
    if (output) *output = mOutput;
    return ok;
}

}  // namespace test
}  // namespace kest2d
