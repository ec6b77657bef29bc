#include "KesPackWriter.h"

#include <dirent.h>
#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>

#include "net/KesCipher.h"

namespace kest2d {
namespace pack {

namespace {

const size_t kPakHeader = 8, kPakRecord = 524, kPakName = 512;
const size_t kSprHeader = 20, kSprRecord = 280, kSprName = 264;

std::string NameField(const std::string& name, size_t size) {
    std::string field = name.substr(0, size);
    field.resize(size, '\0');
    return field;
}

void SetError(std::string* error, const std::string& text) {
    if (error) *error = text;
}

bool ReadBytes(const std::string& path, std::string* bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::stringstream ss;
    ss << in.rdbuf();
    *bytes = ss.str();
    return true;
}

void Walk(const std::string& disk, const std::string& prefix, std::vector<std::pair<std::string, std::string>>* out) {
    DIR* d = opendir(disk.c_str());
    if (!d) return;
    while (dirent* e = readdir(d)) {
        std::string n = e->d_name;
        if (n == "." || n == "..") continue;
        std::string path = disk + "/" + n;
        struct stat st;
        if (stat(path.c_str(), &st) != 0) continue;
        std::string name = prefix.empty() ? n : prefix + "\\" + n;
        if (S_ISDIR(st.st_mode))
            Walk(path, name, out);
        else if (S_ISREG(st.st_mode))
            out->push_back({name, path});
    }
    closedir(d);
}

}  // namespace

std::string Deflate(const std::string& data, int level) {
    uLongf bound = compressBound(static_cast<uLong>(data.size()));
    std::string out(bound, '\0');
    if (compress2(reinterpret_cast<Bytef*>(&out[0]), &bound, reinterpret_cast<const Bytef*>(data.data()),
                  static_cast<uLong>(data.size()), level) != Z_OK)
        return std::string();
    out.resize(bound);
    return out;
}

void PutU32(std::string& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::string Encipher(std::string plain) {
    if (!plain.empty()) cipher::Encrypt(reinterpret_cast<unsigned char*>(&plain[0]), plain.size());
    return plain;
}

std::string PakHeader(int32_t count, const char tag[3]) {
    std::string h(tag, 3);
    h.push_back('\0');
    PutU32(h, static_cast<uint32_t>(count));
    return Encipher(h);
}

std::string PakRecord(const std::string& nameField, int32_t offset, uint32_t uncompressed, uint32_t compressed) {
    std::string r = NameField(nameField, kPakName);
    PutU32(r, static_cast<uint32_t>(offset));
    PutU32(r, uncompressed);
    PutU32(r, compressed);
    return Encipher(r);
}

std::string SprHeader(int32_t count, int32_t width, int32_t height, int32_t speed, const char tag[3]) {
    std::string h(tag, 3);
    h.push_back('\0');
    PutU32(h, static_cast<uint32_t>(count));
    PutU32(h, static_cast<uint32_t>(width));
    PutU32(h, static_cast<uint32_t>(height));
    PutU32(h, static_cast<uint32_t>(speed));
    return Encipher(h);
}

std::string SprRecord(const std::string& nameField, bool shown, int32_t offset, uint32_t uncompressed,
                      uint32_t compressed) {
    std::string r = NameField(nameField, kSprName);
    r.push_back(shown ? 1 : 0);
    r.append(3, '\0');
    PutU32(r, static_cast<uint32_t>(offset));
    PutU32(r, uncompressed);
    PutU32(r, compressed);
    return Encipher(r);
}

std::string BuildPak(const std::vector<PakItem>& items, std::string* error) {
    std::string directory, data;
    size_t offset = kPakHeader + kPakRecord * items.size();
    for (const PakItem& item : items) {
        if (item.name.size() >= kPakName) {
            SetError(error, "name longer than 511 bytes: " + item.name);
            return std::string();
        }
        std::string z = Deflate(item.data);
        directory += PakRecord(item.name, static_cast<int32_t>(offset + data.size()),
                               static_cast<uint32_t>(item.data.size()), static_cast<uint32_t>(z.size()));
        data += z;
    }
    return PakHeader(static_cast<int32_t>(items.size())) + directory + data;
}

std::string BuildSpr(const std::vector<SprFrame>& frames, int32_t width, int32_t height, int32_t speed,
                     std::string* error) {
    std::string directory, data;
    size_t offset = kSprHeader + kSprRecord * frames.size();
    for (const SprFrame& f : frames) {
        if (f.name.size() >= kSprName) {
            SetError(error, "frame name longer than 263 bytes: " + f.name);
            return std::string();
        }
        std::string z = Deflate(f.data);
        directory += SprRecord(f.name, f.shown, static_cast<int32_t>(offset + data.size()),
                               static_cast<uint32_t>(f.data.size()), static_cast<uint32_t>(z.size()));
        data += z;
    }
    return SprHeader(static_cast<int32_t>(frames.size()), width, height, speed) + directory + data;
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

bool PackFolder(const std::string& folder, const std::string& pakPath, std::string* error) {
    std::vector<std::pair<std::string, std::string>> files;
    Walk(folder, "", &files);
    std::sort(files.begin(), files.end());
    std::vector<PakItem> items;
    for (const auto& f : files) {
        PakItem item;
        item.name = f.first;
        if (!ReadBytes(f.second, &item.data)) {
            SetError(error, "cannot read " + f.second);
            return false;
        }
        items.push_back(item);
    }
    std::string bytes = BuildPak(items, error);
    if (bytes.empty()) return false;
    if (!WriteBytes(pakPath, bytes)) {
        SetError(error, "cannot write " + pakPath);
        return false;
    }
    return true;
}

bool PackSprites(const std::vector<std::string>& images, int32_t width, int32_t height, int32_t speed,
                 const std::string& sprPath, std::string* error) {
    std::vector<SprFrame> frames;
    for (const std::string& path : images) {
        SprFrame f;
        size_t cut = path.find_last_of('/');
        f.name = cut == std::string::npos ? path : path.substr(cut + 1);
        if (!ReadBytes(path, &f.data)) {
            SetError(error, "cannot read " + path);
            return false;
        }
        frames.push_back(f);
    }
    std::string bytes = BuildSpr(frames, width, height, speed, error);
    if (bytes.empty()) return false;
    if (!WriteBytes(sprPath, bytes)) {
        SetError(error, "cannot write " + sprPath);
        return false;
    }
    return true;
}

}  // namespace pack
}  // namespace kest2d
