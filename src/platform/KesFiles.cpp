#include "platform/KesFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

namespace kest2d {
namespace platform {

namespace {

std::string Slashes(const std::string& p) {
    std::string s = p;
    for (char& c : s)
        if (c == '\\') c = '/';
    return s;
}

bool Exists(const std::string& p) {
    struct stat st;
    return ::stat(p.c_str(), &st) == 0;
}

// Finds `name` in `dir` ignoring case; empty when there is none.
std::string FindCaseInsensitive(const std::string& dir, const std::string& name) {
    DIR* d = opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return std::string();
    std::string found;
    while (dirent* e = readdir(d)) {
        if (strcasecmp(e->d_name, name.c_str()) == 0) {
            found = e->d_name;
            break;
        }
    }
    closedir(d);
    return found;
}

std::string& CommandLineStore() {
    static std::string s;
    return s;
}

std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r' || s[b] == '\n')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r' || s[e - 1] == '\n')) --e;
    return s.substr(b, e - b);
}

bool SameName(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

struct IniLine {
    std::string text;  // without the line end
};

bool ReadLines(const std::string& path, std::vector<std::string>* lines, std::string* eol) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::stringstream ss;
    ss << in.rdbuf();
    std::string all = ss.str();
    if (all.size() >= 3 && static_cast<unsigned char>(all[0]) == 0xEF &&
        static_cast<unsigned char>(all[1]) == 0xBB && static_cast<unsigned char>(all[2]) == 0xBF)
        all.erase(0, 3);
    *eol = all.find("\r\n") != std::string::npos || all.find('\n') == std::string::npos ? "\r\n" : "\n";
    size_t start = 0;
    while (start < all.size()) {
        size_t nl = all.find('\n', start);
        std::string line = all.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines->push_back(line);
        if (nl == std::string::npos) break;
        start = nl + 1;
    }
    return true;
}

// The section name of a "[name]" line, or false.
bool SectionOf(const std::string& line, std::string* name) {
    std::string t = Trim(line);
    if (t.size() < 2 || t[0] != '[') return false;
    size_t close = t.find(']');
    if (close == std::string::npos) return false;
    *name = Trim(t.substr(1, close - 1));
    return true;
}

// Key and value of a "key=value" line, or false.
bool KeyOf(const std::string& line, std::string* key, std::string* value) {
    size_t eq = line.find('=');
    if (eq == std::string::npos) return false;
    std::string k = Trim(line.substr(0, eq));
    if (k.empty() || k[0] == ';') return false;
    *key = k;
    if (value) {
        std::string v = Trim(line.substr(eq + 1));
        // Matching quotes around the whole value are removed.
        if (v.size() >= 2 && ((v.front() == '"' && v.back() == '"') || (v.front() == '\'' && v.back() == '\'')))
            v = v.substr(1, v.size() - 2);
        *value = v;
    }
    return true;
}

unsigned CopyOut(const std::string& text, char* buffer, unsigned size) {
    if (!buffer || size == 0) return 0;
    unsigned n = static_cast<unsigned>(std::min<size_t>(text.size(), size - 1));
    memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return n;
}

}  // namespace

std::string DiskPath(const std::string& enginePath) {
    std::string p = Slashes(enginePath);
    if (p.empty() || Exists(p)) return p;
    // Rebuild part by part, fixing the case of parts that do not exist.
    std::string out;
    size_t pos = 0;
    if (p[0] == '/') {
        out = "/";
        pos = 1;
    }
    bool broken = false;
    while (pos <= p.size()) {
        size_t next = p.find('/', pos);
        std::string part = p.substr(pos, next == std::string::npos ? std::string::npos : next - pos);
        if (!part.empty()) {
            std::string candidate = out + part;
            if (!broken && !Exists(candidate) && part != "." && part != "..") {
                std::string dir = out.empty() ? "." : out;
                std::string real = FindCaseInsensitive(dir, part);
                if (!real.empty())
                    candidate = out + real;
                else
                    broken = true;
            }
            out = candidate;
        }
        if (next == std::string::npos) break;
        out += "/";
        pos = next + 1;
    }
    return out;
}

FILE* OpenFile(const std::string& enginePath, const char* mode) {
    return std::fopen(DiskPath(enginePath).c_str(), mode);
}

bool FileExists(const std::string& enginePath) {
    struct stat st;
    return ::stat(DiskPath(enginePath).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

FILE* CreateUniqueFile(const std::string& diskFolder, const std::string& prefix, std::string* diskPath) {
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    static std::atomic<unsigned long long> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        unsigned long long bits = 0;
        if (::getrandom(&bits, sizeof(bits), GRND_NONBLOCK) != static_cast<ssize_t>(sizeof(bits)))
            bits = (static_cast<unsigned long long>(::getpid()) << 32) ^ (++counter * 0x9E3779B97F4A7C15ull);
        std::string path = diskFolder + "/" + prefix;
        for (int i = 0; i < 6; ++i, bits /= 62) path += kLetters[bits % 62];
        // O_EXCL: the name is this caller's alone; 0666: the umask decides.
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return nullptr;
        }
        FILE* file = ::fdopen(fd, "w+b");
        if (!file) {
            ::close(fd);
            ::unlink(path.c_str());
            return nullptr;
        }
        *diskPath = path;
        return file;
    }
    return nullptr;
}

bool DirectoryExists(const std::string& enginePath) {
    struct stat st;
    return ::stat(DiskPath(enginePath).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool GetFolderIdentity(const std::string& enginePath, FolderIdentity* identity) {
    struct stat st;
    if (::stat(DiskPath(enginePath).c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    identity->device = static_cast<unsigned long long>(st.st_dev);
    identity->inode = static_cast<unsigned long long>(st.st_ino);
    return true;
}

bool MakeDirectories(const std::string& enginePath) {
    std::string p = Slashes(enginePath);
    if (p.empty()) return false;
    for (size_t i = 1; i <= p.size(); ++i) {
        if (i == p.size() || p[i] == '/') {
            std::string part = p.substr(0, i);
            if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
        }
    }
    return DirectoryExists(p);
}

std::string ModuleFileName() {
    char buf[4096];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    if (n <= 0) return std::string();
    return std::string(buf, static_cast<size_t>(n));
}

std::string ModuleFolder() {
    std::string f = ModuleFileName();
    size_t cut = f.find_last_of("/\\");
    return cut == std::string::npos ? std::string() : f.substr(0, cut);
}

std::string CurrentDirectory() {
    char buf[4096];
    if (!::getcwd(buf, sizeof(buf))) return std::string();
    return buf;
}

bool IsAbsolutePath(const std::string& enginePath) {
    if (enginePath.empty()) return false;
    if (enginePath[0] == '/' || enginePath[0] == '\\') return true;
    return enginePath.size() >= 2 && std::isalpha(static_cast<unsigned char>(enginePath[0])) && enginePath[1] == ':';
}

std::string AbsolutePath(const std::string& enginePath) {
    if (enginePath.empty() || IsAbsolutePath(enginePath)) return enginePath;
    std::string base = CurrentDirectory();
    if (base.empty()) return enginePath;
    if (enginePath == ".") return base;
    if (enginePath.compare(0, 2, "./") == 0 || enginePath.compare(0, 2, ".\\") == 0)
        return base + "/" + enginePath.substr(2);
    return base + "/" + enginePath;
}

bool SetCurrentDirectory(const std::string& enginePath) {
    if (enginePath.empty()) return false;
    return ::chdir(DiskPath(enginePath).c_str()) == 0;
}

bool ListFiles(const std::string& engineFolder, const std::string& extension, std::vector<std::string>* names) {
    if (names) names->clear();
    const std::string folder = DiskPath(engineFolder.empty() ? std::string(".") : engineFolder);
    DIR* d = opendir(folder.c_str());
    if (!d) return false;
    std::vector<std::string> found;
    while (dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        if (name == "." || name == ".." || name.size() < extension.size()) continue;
        if (strcasecmp(name.c_str() + name.size() - extension.size(), extension.c_str()) != 0) continue;
        struct stat st;
        if (::stat((folder + "/" + name).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        found.push_back(name);
    }
    closedir(d);
    std::sort(found.begin(), found.end());
    if (names) *names = std::move(found);
    return true;
}

void SetCommandLine(const std::string& commandLine) { CommandLineStore() = commandLine; }
const std::string& GetCommandLine() { return CommandLineStore(); }

unsigned GetPrivateProfileString(const char* section, const char* key, const char* defaultValue, char* buffer,
                                 unsigned size, const std::string& file) {
    std::string def = defaultValue ? defaultValue : "";
    // Windows drops trailing blanks of the default.
    while (!def.empty() && def.back() == ' ') def.pop_back();
    if (!section || !key) return CopyOut(def, buffer, size);
    std::vector<std::string> lines;
    std::string eol;
    if (!ReadLines(DiskPath(file), &lines, &eol)) return CopyOut(def, buffer, size);
    bool inSection = false;
    for (const std::string& line : lines) {
        std::string name;
        if (SectionOf(line, &name)) {
            inSection = SameName(name, section);
            continue;
        }
        if (!inSection) continue;
        std::string k, v;
        if (KeyOf(line, &k, &v) && SameName(k, key)) return CopyOut(v, buffer, size);
    }
    return CopyOut(def, buffer, size);
}

bool WritePrivateProfileString(const char* section, const char* key, const char* value, const std::string& file) {
    if (!section) return false;
    std::string path = DiskPath(file);
    std::vector<std::string> lines;
    std::string eol = "\r\n";
    ReadLines(path, &lines, &eol);

    // Locate the section: its header line and the end of its body.
    size_t header = std::string::npos, end = lines.size();
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string name;
        if (SectionOf(lines[i], &name)) {
            if (header != std::string::npos) {
                end = i;
                break;
            }
            if (SameName(name, section)) header = i;
        }
    }
    if (!key) {
        if (header == std::string::npos) return true;
        lines.erase(lines.begin() + static_cast<long>(header), lines.begin() + static_cast<long>(end));
    } else if (header == std::string::npos) {
        if (!value) return true;
        if (!lines.empty() && !Trim(lines.back()).empty()) lines.push_back("");
        lines.push_back(std::string("[") + section + "]");
        lines.push_back(std::string(key) + "=" + value);
    } else {
        size_t found = std::string::npos;
        for (size_t i = header + 1; i < end; ++i) {
            std::string k;
            if (KeyOf(lines[i], &k, nullptr) && SameName(k, key)) {
                found = i;
                break;
            }
        }
        if (found != std::string::npos) {
            if (value)
                lines[found] = std::string(key) + "=" + value;
            else
                lines.erase(lines.begin() + static_cast<long>(found));
        } else if (value) {
            // After the last non-blank line of the section.
            size_t at = end;
            while (at > header + 1 && Trim(lines[at - 1]).empty()) --at;
            lines.insert(lines.begin() + static_cast<long>(at), std::string(key) + "=" + value);
        }
    }
    std::string tmp = path + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        for (const std::string& l : lines) out << l << eol;
        if (!out) return false;
    }
    return ::rename(tmp.c_str(), path.c_str()) == 0;
}

}  // namespace platform
}  // namespace kest2d
