// Fixture of the GIF decoder tests: a scratch folder and a log file of its own.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "GifWriter.h"
#include "frame/Kest2dLogger.h"
#include "gui/controls/Kest2dGifDecoder.h"
#include "support/TestSupport.h"

namespace giftest {

class GifTest : public ::testing::Test {
protected:
    void SetUp() override {
        mLog = mDir.file("gif.log");
        kest2d::CKesLogger::setLogFile(mLog);
    }
    void TearDown() override { kest2d::CKesLogger::closeLogFile(); }

    bool Open(kest2d::CKesGIFDecoder& d, const std::string& bytes, bool allFrames = true) {
        return d.Open(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), allFrames);
    }
    std::string Log() { return kest2d::test::ReadFile(mLog); }
    bool Logged(const std::string& utf8) { return Log().find(kest2d::test::Gbk(utf8)) != std::string::npos; }
    std::string WriteGif(const std::string& name, const std::string& bytes) {
        std::string path = mDir.file(name);
        kest2d::test::WriteFile(path, bytes);
        return path;
    }
    static std::vector<uint8_t> Indices(const kest2d::KesGifFrame& f) {
        return std::vector<uint8_t>(f.indices.begin(), f.indices.end());
    }

    kest2d::test::TempDir mDir;
    std::string mLog;
};

}  // namespace giftest
