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

// What Ini_GetInt reads from `file`: the key's text through atoi, or the
// default when the key is missing or empty.
int ReadIniInt(const std::string& file, const char* section, const char* key, int defaultValue) {
    char buf[256];
    if (platform::GetPrivateProfileString(section, key, "", buf, sizeof(buf), file) == 0) return defaultValue;
    return std::atoi(buf);
}

// The frame size that "systemini.ini" `file` names (800 x 600 for missing
// keys); false, with the size read, when it is not usable: a size that is not
// a number (atoi gives 0) or is absurd would leave the game without a window.
bool ReadSystemInitSize(const std::string& file, CKesDimension2d<int>* size) {
    size->Width = ReadIniInt(file, kSystemSection, "screenwidth", 800);
    size->Height = ReadIniInt(file, kSystemSection, "screenheight", 600);
    return size->Width > 0 && size->Width <= kMaxWindowSide && size->Height > 0 && size->Height <= kMaxWindowSide;
}

}  // namespace

std::string CKesBaseFrame::GetCurrentPath() { return platform::CurrentDirectory(); }

std::string CKesBaseFrame::SystemInitFile() { return platform::CurrentDirectory() + "\\" + kSystemIni; }

CKesDimension2d<int> CKesBaseFrame::GetSystemInitSize() {
    CKesDimension2d<int> size;
    return ReadSystemInitSize(SystemInitFile(), &size) ? size : CKesDimension2d<int>(800, 600);
}

void CKesBaseFrame::LoadSystemInitConfig() {
    mIniFile = SystemInitFile();
    CKesDimension2d<int> size;
    if (!ReadSystemInitSize(mIniFile, &size)) {
        if (CKesLogger::admits(WARN)) {
            std::ostringstream os;
            os << kSystemIni << " 的窗口大小无效 (" << size.Width << " x " << size.Height << ")，使用 800 x 600";
            SystemLog(WARN, os.str());
        }
        size = CKesDimension2d<int>(800, 600);
    }
    mScreenWidth = size.Width;
    mScreenHeight = size.Height;
    mWindowed = Ini_GetInt(kSystemSection, "iswindows", 1) > 0;
    mCaption = Ini_GetString(kSystemSection, "caption", kDefaultCaption);
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
        if (key == "-d")
            mWorkingDir = ResolveWorkingDir(value);
        else if (key == "-r")
            mWorkingDir = mWorkingDir + "\\" + value;
    }
}

// The game folder is an absolute one: a relative folder would name another
// place once the game has moved into it. It is taken from the current folder
// once, when the game is given it.
std::string CKesBaseFrame::ResolveWorkingDir(const std::string& folder) {
    const std::string absolute = platform::AbsolutePath(folder);
    if (absolute != folder && CKesLogger::admits(WARN))
        SystemLog(WARN, "游戏目录 " + folder + " 不是绝对路径, 使用 " + absolute);
    return absolute;
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
    return mIniFile.empty() ? defaultValue : ReadIniInt(mIniFile, section, key, defaultValue);
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

// The game moves only into a folder it can enter. A folder that does not
// exist (a typo) or is not a folder is refused with an error and the game
// stays where it is: its INI files keep their folder, and no script runs
// again (that would be the running script once more, inside itself). So is
// a folder whose script is running, here or further out in a chain of
// moves: its script would move into it again, without end. A folder is the
// same folder however it is spelled.
void CKesBaseFrame::ChangePlayerWorkingDir(std::string folder) {
    if (folder.empty()) return;
    const std::string target = ResolveWorkingDir(folder);
    if (MainScriptRunsIn(target)) {
        if (CKesLogger::admits(ERRORR))
            SystemLog(ERRORR, "游戏目录 " + folder + " 的脚本正在运行, 再次进入会循环运行, 仍在 " + mWorkingDir);
        return;
    }
    if (!platform::SetCurrentDirectory(target)) {
        if (CKesLogger::admits(ERRORR))
            SystemLog(ERRORR, "游戏目录 " + folder + " 不存在或不是目录, 仍在 " + mWorkingDir);
        return;
    }
    mWorkingDir = target;
    ClearAllPackagers();
    LoadGameResourcesFromCurDir();
    // Its "LoadGameResources" is the folder's script too: a move into the
    // folder from there would run both again.
    RunScriptOfCurrentFolder([this] {
        RunMainScript();
        ReLoadGameResources();
    });
}

}  // namespace kest2d
