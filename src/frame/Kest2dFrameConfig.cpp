// Configuration: "systemini.ini", the start command and the game's INI keys.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "frame/Kest2dBaseFrame.h"
#include "platform/KesFiles.h"

namespace kest2d {

namespace {
const char* const kSystemIni = "systemini.ini";
const char* const kSystemSection = "systemini";
// Window sizes outside this range in "systemini.ini" are taken as garbage.
const int kMaxWindowSide = 16384;
}  // namespace

std::string CKesBaseFrame::GetCurrentPath() { return platform::CurrentDirectory(); }

void CKesBaseFrame::LoadSystemInitConfig() {
    mIniFile = GetCurrentPath() + "\\" + kSystemIni;
    int width = Ini_GetInt(kSystemSection, "screenwidth", 800);
    int height = Ini_GetInt(kSystemSection, "screenheight", 600);
    int windowed = Ini_GetInt(kSystemSection, "iswindows", 1);
    std::string caption = Ini_GetString(kSystemSection, "caption", kDefaultCaption);
    // A size that is not a number (atoi gives 0) or is absurd would leave the
    // game without a usable window: take the default instead.
    if (width <= 0 || width > kMaxWindowSide || height <= 0 || height > kMaxWindowSide) {
        if (CKesLogger::admits(WARN)) {
            std::ostringstream os;
            os << kSystemIni << " 的窗口大小无效 (" << width << " x " << height << ")，使用 800 x 600";
            SystemLog(WARN, os.str());
        }
        width = 800;
        height = 600;
    }
    mScreenWidth = width;
    mScreenHeight = height;
    mWindowed = windowed > 0;
    mCaption = caption;
}

void CKesBaseFrame::ParseStartCommand(const std::string& commandLine) {
    GetParameters().clear();
    ParseStringToParameter(commandLine, "&");
    for (const std::string& piece : GetParameters()) {
        size_t dollar = piece.find('$');
        if (dollar == std::string::npos || dollar == 0) continue;
        std::string key = piece.substr(0, dollar);
        std::string value = piece.substr(dollar + 1);
        mStartCommand.insert(std::make_pair(key, value));
        if (key == "-d") {
            // The game folder is an absolute one: a relative folder would name
            // another place once the game has moved into it.
            mWorkingDir = platform::AbsolutePath(value);
            if (mWorkingDir != value && CKesLogger::admits(WARN))
                SystemLog(WARN, "游戏目录 " + value + " 不是绝对路径, 使用 " + mWorkingDir);
        }
        else if (key == "-r")
            mWorkingDir = mWorkingDir + "\\" + value;
    }
}

std::string CKesBaseFrame::GetStartCommond(std::string key) {
    auto it = mStartCommand.find(key);
    return it == mStartCommand.end() ? std::string() : it->second;
}

void CKesBaseFrame::Ini_SetFile(const char* name) { mIniFile = mWorkingDir + "\\" + (name ? name : ""); }

char* CKesBaseFrame::Ini_GetFile() { return const_cast<char*>(mIniFile.c_str()); }

void CKesBaseFrame::Ini_SetInt(const char* section, const char* key, int value) {
    if (mIniFile.empty()) return;
    char buf[256];
    std::snprintf(buf, sizeof(buf), "%d", value);
    platform::WritePrivateProfileString(section, key, buf, mIniFile);
}

int CKesBaseFrame::Ini_GetInt(const char* section, const char* key, int defaultValue) {
    if (mIniFile.empty()) return defaultValue;
    char buf[256];
    if (platform::GetPrivateProfileString(section, key, "", buf, sizeof(buf), mIniFile) == 0) return defaultValue;
    return std::atoi(buf);
}

void CKesBaseFrame::Ini_SetFloat(const char* section, const char* key, float value) {
    if (mIniFile.empty()) return;
    char buf[256];
    std::snprintf(buf, sizeof(buf), "%f", static_cast<double>(value));
    platform::WritePrivateProfileString(section, key, buf, mIniFile);
}

float CKesBaseFrame::Ini_GetFloat(const char* section, const char* key, float defaultValue) {
    if (mIniFile.empty()) return defaultValue;
    char buf[256];
    if (platform::GetPrivateProfileString(section, key, "", buf, sizeof(buf), mIniFile) == 0) return defaultValue;
    return static_cast<float>(std::atof(buf));
}

void CKesBaseFrame::Ini_SetString(const char* section, const char* key, const char* value) {
    if (mIniFile.empty()) return;
    platform::WritePrivateProfileString(section, key, value, mIniFile);
}

char* CKesBaseFrame::Ini_GetString(const char* section, const char* key, const char* defaultValue) {
    if (mIniFile.empty()) {
        std::snprintf(mIniBuffer, sizeof(mIniBuffer), "%s", defaultValue ? defaultValue : "");
        return mIniBuffer;
    }
    platform::GetPrivateProfileString(section, key, defaultValue, mIniBuffer, sizeof(mIniBuffer), mIniFile);
    return mIniBuffer;
}

void CKesBaseFrame::ChangePlayerWorkingDir(std::string folder) {
    if (folder.empty()) return;
    mWorkingDir = folder;
    platform::SetCurrentDirectory(folder);
    ClearAllPackagers();
    LoadGameResourcesFromCurDir();
    RunMainScript();
    ReLoadGameResources();
}

}  // namespace kest2d
