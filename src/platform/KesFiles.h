// Paths, folders, the process's command line and INI files. The engine writes
// paths with "\" as the game scripts do; they are converted to "/" here, at the
// disk boundary, and nowhere else.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace kest2d {
namespace platform {

// "\" to "/". When the exact path does not exist, each missing part is looked
// up case-insensitively, as the games were written for a case-blind file system.
std::string DiskPath(const std::string& enginePath);
// fopen through DiskPath.
FILE* OpenFile(const std::string& enginePath, const char* mode);
bool FileExists(const std::string& enginePath);
// A new file of its own in the disk folder `diskFolder` (not an engine path:
// no lookup), named `prefix` and six characters more, open for reading and
// writing ("w+b"); its disk path goes to `diskPath`. It is made as every other
// file the engine writes, with mode 0666 less the process's umask (mkstemp's
// 0600 would keep a downloaded file from everybody else). Null on failure.
FILE* CreateUniqueFile(const std::string& diskFolder, const std::string& prefix, std::string* diskPath);
bool DirectoryExists(const std::string& enginePath);
// A folder as the disk knows it (its device and inode), the same however its
// path is spelled: ".", "a\..", a link to it, another letter case.
struct FolderIdentity {
    unsigned long long device = 0;
    unsigned long long inode = 0;
    bool operator==(const FolderIdentity& other) const { return device == other.device && inode == other.inode; }
};
// False when the path names no folder.
bool GetFolderIdentity(const std::string& enginePath, FolderIdentity* identity);
// Creates the folder and its missing parents.
bool MakeDirectories(const std::string& enginePath);

// Full path of the running executable, and its folder without a trailing separator.
std::string ModuleFileName();
std::string ModuleFolder();
std::string CurrentDirectory();
// True for a path that names its folder from the root: "/...", "\\..." or a
// drive letter ("D:\\games").
bool IsAbsolutePath(const std::string& enginePath);
// A relative path joined to the current folder; an absolute one unchanged.
std::string AbsolutePath(const std::string& enginePath);
bool SetCurrentDirectory(const std::string& enginePath);
// The names of the plain files of a folder whose names end with `extension`
// (".spr"; letter case ignored, as the games' file system does), in byte
// order. False when the folder does not open.
bool ListFiles(const std::string& engineFolder, const std::string& extension, std::vector<std::string>* names);

// The host's command line without the program name, as one string.
void SetCommandLine(const std::string& commandLine);
const std::string& GetCommandLine();

// INI files with the semantics of the Windows profile functions: sections and
// keys are compared case-insensitively, values are trimmed, a missing key gives
// the default, values are cut to the buffer, bytes are passed through unchanged.
// Returns the number of characters copied into `buffer` (without the NUL).
unsigned GetPrivateProfileString(const char* section, const char* key, const char* defaultValue, char* buffer,
                                 unsigned size, const std::string& file);
// Creates the file, section and key as needed and keeps every other line.
// A null value removes the key; a null key removes the section.
bool WritePrivateProfileString(const char* section, const char* key, const char* value, const std::string& file);

}  // namespace platform
}  // namespace kest2d
