#include "seeds/FuzzSeeds.h"

#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <utility>

#include "KesPackWriter.h"
#include "gif/GifWriter.h"
#include "net/KesCipher.h"
#include "net/Kest2dMessage.h"
#include "net/MessageFields.h"
#include "platform/KesImage.h"
#include "render/ScansJpeg.h"
#include "video/OggTheoraWriter.h"

namespace kest2d {
namespace fuzzseeds {

namespace {

class Seeds {
public:
    explicit Seeds(std::vector<Seed>& out) : mOut(out) {}
    void add(const std::string& target, const std::string& name, const std::string& bytes) {
        mOut.push_back(Seed{target, name, bytes});
    }

private:
    std::vector<Seed>& mOut;
};

// ---- Pictures ----

uint32_t Gradient(int x, int y) {
    return 0xFF000000u | static_cast<uint32_t>((x * 29) & 0xFF) << 16 | static_cast<uint32_t>((y * 37) & 0xFF) << 8 |
           static_cast<uint32_t>(((x + y) * 11) & 0xFF);
}

// A file written by the engine's own image writer (the type from the extension).
std::string Saved(const char* extension, int w, int h) {
    std::vector<uint32_t> px(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) px[static_cast<size_t>(y) * w + x] = Gradient(x, y);
    const std::string path = "/tmp/kest2d-fuzz-seed-" + std::to_string(::getpid()) + extension;
    std::string bytes;
    if (platform::SaveImage(path, px.data(), w, h, w)) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        bytes = ss.str();
    }
    std::remove(path.c_str());
    return bytes;
}

void Put32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// Uncompressed true-colour TGA: 32-bit top-left origin or 24-bit bottom-left;
// `rle` packs each row as one repeat packet and literal packets.
std::string Tga(int w, int h, int bits, bool rle) {
    std::string s(18, '\0');
    s[2] = rle ? 10 : 2;
    s[12] = static_cast<char>(w & 0xFF);
    s[13] = static_cast<char>(w >> 8);
    s[14] = static_cast<char>(h & 0xFF);
    s[15] = static_cast<char>(h >> 8);
    s[16] = static_cast<char>(bits);
    s[17] = static_cast<char>(bits == 32 ? 0x28 : 0x00);
    auto pixel = [&](int x, int y) {
        const uint32_t c = Gradient(x, y);
        std::string p{static_cast<char>(c & 0xFF), static_cast<char>((c >> 8) & 0xFF),
                      static_cast<char>((c >> 16) & 0xFF)};
        if (bits == 32) p += static_cast<char>(0x80 + x);
        return p;
    };
    for (int y = 0; y < h; ++y) {
        if (!rle) {
            for (int x = 0; x < w; ++x) s += pixel(x, y);
            continue;
        }
        // Half the row repeated, the rest literal.
        const int run = w / 2;
        s += static_cast<char>(0x80 | (run - 1));
        s += pixel(0, y);
        s += static_cast<char>(w - run - 1);
        for (int x = run; x < w; ++x) s += pixel(x, y);
    }
    return s;
}

std::string DdsHeader(int w, int h, uint32_t flags, const char* fourcc, uint32_t bits, uint32_t r, uint32_t g,
                      uint32_t b, uint32_t a) {
    std::string s = "DDS ";
    Put32(s, 124);
    Put32(s, 0x1007);
    Put32(s, static_cast<uint32_t>(h));
    Put32(s, static_cast<uint32_t>(w));
    s.resize(76, '\0');  // pitch, depth, mipmaps, reserved
    Put32(s, 32);
    Put32(s, flags);
    s += fourcc ? std::string(fourcc, 4) : std::string(4, '\0');
    Put32(s, bits);
    Put32(s, r);
    Put32(s, g);
    Put32(s, b);
    Put32(s, a);
    s.resize(128, '\0');
    return s;
}

// A 6 x 3 run-length BMP (8-bit, four colours) whose codes skip pixels
// with the end of a row and a move right and up, as encoders may.
std::string RunLengthBmp() {
    const std::string codes("\3\1\0\0\0\2\2\1\1\2\0\3\1\2\3\0\0\1", 18);
    std::string s = "BM";
    Put32(s, 54 + 16 + static_cast<uint32_t>(codes.size()));
    Put32(s, 0);
    Put32(s, 54 + 16);
    for (uint32_t v : {40u, 6u, 3u, 0x80001u, 1u, static_cast<uint32_t>(codes.size()), 0u, 0u, 4u, 0u}) Put32(s, v);
    return s + std::string("\0\0\0\0\x40\xC0\x20\0\xFF\0\0\0\0\0\xFF\0", 16) + codes;
}

std::string Blocks(int w, int h, size_t blockSize) {
    std::string s;
    const size_t count = static_cast<size_t>((w + 3) / 4) * ((h + 3) / 4);
    for (size_t i = 0; i < count * blockSize; ++i) s += static_cast<char>((i * 73 + 11) & 0xFF);
    return s;
}

void Pictures(Seeds& seeds) {
    seeds.add("image_decode", "gradient.png", Saved(".png", 12, 9));
    seeds.add("image_decode", "gradient.jpg", Saved(".jpg", 16, 16));
    seeds.add("image_decode", "gradient.bmp", Saved(".bmp", 7, 5));
    seeds.add("image_decode", "rle8_skips.bmp", RunLengthBmp());
    seeds.add("image_decode", "progressive_in_as_many_scans_as_allowed.jpg",
              kest2d::test::ScansJpeg(24, 16, 3, kest2d::platform::kMaxJpegScans));
    seeds.add("image_decode", "top_left_32.tga", Tga(6, 4, 32, false));
    seeds.add("image_decode", "bottom_left_24.tga", Tga(5, 3, 24, false));
    seeds.add("image_decode", "rle_32.tga", Tga(8, 4, 32, true));
    seeds.add("image_decode", "dxt1.dds", DdsHeader(8, 8, 0x4, "DXT1", 0, 0, 0, 0, 0) + Blocks(8, 8, 8));
    seeds.add("image_decode", "dxt3.dds", DdsHeader(4, 8, 0x4, "DXT3", 0, 0, 0, 0, 0) + Blocks(4, 8, 16));
    seeds.add("image_decode", "dxt5.dds", DdsHeader(6, 5, 0x4, "DXT5", 0, 0, 0, 0, 0) + Blocks(6, 5, 16));
    seeds.add("image_decode", "argb32.dds",
              DdsHeader(3, 2, 0x41, nullptr, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000) + Blocks(4, 4, 24));
    seeds.add("image_decode", "rgb24.dds", DdsHeader(2, 2, 0x40, nullptr, 24, 0xFF0000, 0xFF00, 0xFF, 0) +
                                              std::string(12, '\x40'));
    seeds.add("image_decode", "rgb565.dds",
              DdsHeader(2, 2, 0x40, nullptr, 16, 0xF800, 0x07E0, 0x1F, 0) + std::string(8, '\x1F'));
    seeds.add("image_decode", "luminance.dds",
              DdsHeader(4, 2, 0x20000, nullptr, 8, 0xFF, 0, 0, 0) + std::string(8, '\x80'));
    seeds.add("image_decode", "p6.ppm", std::string("P6\n# seed\n3 2\n255\n") + std::string(18, '\x7F'));
    // The damaged pictures of the tests' corpus.
    for (const char* name : {"corrupt.png", "corrupt.jpg", "corrupt.bmp", "corrupt.tga", "corrupt.dds"}) {
        std::ifstream in(std::string(KEST2D_SOURCE_DIR) + "/tests/data/images/" + name, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        if (in) seeds.add("image_decode", name, ss.str());
    }
}

// ---- GIF ----

using giftest::Image;
using giftest::Palette;

// A w x h frame at the origin filled with giftest::Pattern's indices.
Image Patterned(unsigned w, unsigned h, unsigned a, unsigned b, unsigned c, unsigned modulo) {
    Image im;
    im.w = w;
    im.h = h;
    im.px = giftest::Pattern(w, h, a, b, c, modulo);
    return im;
}

void Gifs(Seeds& seeds) {
    using namespace giftest;
    const Palette four = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    // Four frames with every disposal, a transparent frame, a loop count and a comment.
    Image half = Solid(0, 0, 10, 10, 2);
    for (unsigned y = 0; y < 10; ++y)
        for (unsigned x = 5; x < 10; ++x) half.px[y * 10 + x] = 0;
    seeds.add("gif", "animated.gif",
              Screen(20, 20, &four) + Netscape(0) + Comment("seed") + Gce(1, 5) +
                  ImageBlock(Solid(0, 0, 20, 20, 1), 4) + Gce(1, 0, true, 0) + ImageBlock(half, 4) + Gce(2, 5) +
                  ImageBlock(Solid(10, 10, 10, 10, 3), 4) + Gce(3, 5, false, 0, true) +
                  ImageBlock(Solid(0, 0, 4, 4, 1), 4) + ";");
    // Interlaced, with a local table, on a screen without a global one.
    Image inter = Patterned(9, 11, 1, 3, 0, 16);
    inter.local = Ramp(16);
    inter.interlaced = true;
    seeds.add("gif", "interlaced.gif", Screen(9, 11, nullptr) + ImageBlock(inter, 0) + ";");
    // A plain 87a picture, literal codes with frequent clear codes in short sub-blocks.
    const Palette two = Ramp(2);
    Image literal = Patterned(12, 6, 1, 1, 0, 2);
    literal.lzw.literalsOnly = true;
    literal.lzw.clearEvery = 9;
    literal.lzw.blockSize = 7;
    seeds.add("gif", "literal_87a.gif", Screen(12, 6, &two, 1, "87a") + ImageBlock(literal, 2) + ";");
    // Enough codes to fill the table, kept full without a clear code.
    const Palette many = Ramp(256);
    Image full = Patterned(72, 60, 7, 13, 0, 256);
    full.lzw.literalsOnly = true;
    full.lzw.keepFullTable = true;
    seeds.add("gif", "full_table.gif", Screen(72, 60, &many) + ImageBlock(full, 256) + ";");
    // Damaged: cut in its second frame, and a frame reaching past the screen.
    const std::string cut = Screen(8, 8, &four) + ImageBlock(Solid(0, 0, 8, 8, 1), 4) + Gce(0, 2) +
                            ImageBlock(Solid(2, 2, 4, 4, 3), 4);
    seeds.add("gif", "cut_short.gif", cut.substr(0, cut.size() - 5));
    seeds.add("gif", "past_screen.gif", Screen(4, 4, &four) + ImageBlock(Solid(3, 3, 6, 6, 2), 4) + ";");
}

// ---- Video ----

void Clips(Seeds& seeds) {
    using test::ClipSettings;
    using test::MakeOggTheora;
    const std::vector<test::Rgb> colours = {{220, 30, 30}, {30, 200, 40}, {40, 50, 210}};
    ClipSettings plain = test::SolidClip(colours, 32, 24);
    seeds.add("video", "theora.ogg", MakeOggTheora(plain));
    ClipSettings sound = test::SolidClip(colours, 16, 16);
    sound.audioRate = 8000;
    sound.audioSeconds = 0.3;
    seeds.add("video", "theora_vorbis.ogg", MakeOggTheora(sound));
    ClipSettings offset = test::SolidClip(colours, 20, 10);
    offset.picX = 4;
    offset.picY = 2;
    offset.format = TH_PF_422;
    offset.fpsNumerator = 25;
    seeds.add("video", "theora_422_offset.ogg", MakeOggTheora(offset));
    ClipSettings full = test::SolidClip({{128, 128, 128}, {10, 10, 10}}, 16, 16);
    full.format = TH_PF_444;
    seeds.add("video", "theora_444.ogg", MakeOggTheora(full));
    ClipSettings soundOnly = sound;
    soundOnly.withVideo = false;
    seeds.add("video", "vorbis_only.ogg", MakeOggTheora(soundOnly));
    // Damaged: cut inside the first picture.
    const std::string whole = MakeOggTheora(plain);
    seeds.add("video", "cut_short.ogg", whole.substr(0, whole.size() * 3 / 4));
}

// ---- Archives ----

// The fuzz target takes an archive with its header and records in the clear,
// after one byte that chooses the format (even: ".pak", odd: ".spr").
std::string ArchiveInput(bool spr, std::string archive, size_t records) {
    const size_t directory = (spr ? 20 : 8) + records * (spr ? 280 : 524);
    if (directory <= archive.size())
        cipher::Decrypt(reinterpret_cast<unsigned char*>(&archive[0]), static_cast<unsigned long>(directory));
    return std::string(1, spr ? '\1' : '\0') + archive;
}

void Archives(Seeds& seeds) {
    const std::vector<pack::PakItem> nested = {
        {"img\\cards\\back.tga", Tga(4, 4, 32, false)},
        {"layout\\main.xml", "<KestControl Type=\"Container\" Name=\"m___\"/>"},
        {"scripts\\game\\rules\\logic.lua", "return 1\n"},
        {"readme.txt", std::string(300, 'k')},
        {"empty", ""},
    };
    seeds.add("archive", "nested.pak", ArchiveInput(false, pack::BuildPak(nested), nested.size()));
    seeds.add("archive", "empty.pak", ArchiveInput(false, pack::BuildPak({}), 0));
    // A name that climbs out of the folder.
    const std::vector<pack::PakItem> climbing = {{"..\\outside.txt", "x"}, {"ok.txt", "y"}};
    seeds.add("archive", "climbing.pak", ArchiveInput(false, pack::BuildPak(climbing), climbing.size()));
    // An entry whose data lies past the end of the file.
    std::string past = pack::PakHeader(1) + pack::PakRecord("far.txt", 100000, 10, 10) + pack::Deflate("0123456789");
    seeds.add("archive", "past_end.pak", ArchiveInput(false, past, 1));

    std::vector<pack::SprFrame> frames(3);
    frames[0].name = "walk_0.tga";
    frames[0].data = Tga(4, 4, 32, false);
    frames[1].name = "walk_1.tga";
    frames[1].data = Tga(4, 4, 24, true);
    frames[2].name = "hidden.tga";
    frames[2].data = Tga(2, 2, 32, false);
    frames[2].shown = false;
    seeds.add("archive", "frames.spr", ArchiveInput(true, pack::BuildSpr(frames, 4, 4, 100), frames.size()));
    std::string badSpr = pack::SprHeader(2, 4, 4, 10) + pack::SprRecord("a", true, 580, 64, 0x7FFFFFFF);
    seeds.add("archive", "bad_sizes.spr", ArchiveInput(true, badSpr, 1));
}

// ---- Layouts ----

// The properties each control type reads besides the common ones, and the value forms.
const std::map<std::string, std::vector<std::string>>& TypeProperties() {
    static const std::map<std::string, std::vector<std::string>> table = {
        {"Button", {"ButtonType", "Text", "background"}},
        {"StaticText", {"Text", "Color", "Snap", "Size", "Font", "Ishyperlink", "SelColor", "address"}},
        {"EditorBox", {"Text", "Color", "MaxCount"}},
        {"VideoBox", {"path", "IsPlay"}},
        {"GameAnimator", {"GamePath", "IsDefPlay"}},
        {"GameClock", {"background", "clocknumimg", "DefaultNum", "NumSpace", "SnapType"}},
        {"MultiButton", {"DefaultSelected", "itemImages"}},
        {"InfoScroller", {"Text", "Color", "ScrollType", "Size", "Font"}},
        {"ScrollBar",
         {"MaxValue", "CurValue", "PageCount", "BgColor", "UpButtonImg", "DownButtonImg", "ScrollBarImg"}},
        {"DragControl", {"dragbgimgone", "dragbgimgtwo", "dragbgimgthree", "background", "process"}},
        {"ProcessBar",
         {"maxvalue", "process", "IsTip", "BgImageOne", "BgImageTwo", "BgImageThree", "BgImageFour", "bgColor",
          "proColor", "tipColor"}},
        {"Textarea", {"IsUseScrollbar", "ScrollBarImg", "BgColor", "UpButtonImg", "DownButtonImg"}},
        {"ChatMessage",
         {"background", "TextColor", "SelectTextColor", "ScrollBarImg", "ScrollBarBgColor", "UpButtonImg",
          "DownButtonImg", "Message"}},
        {"GameCard",
         {"background", "backcard", "CardWidth", "CardHeight", "CardSpace", "IsShowCard", "SnapType", "IsReverse",
          "CardDirecton", "Isslope", "slopeangle", "slopeimage", "CardData"}},
        {"Image", {"parameter", "color", "background"}},
        {"MoveAnim",
         {"IsEditMode", "ctlPointEnd", "ctlPointEndControl", "ctlPointStartControl", "ctlPointStart",
          "background", "Speed"}},
        {"MultiListBox",
         {"HeaderIsMouse", "BgColor", "TextColor", "SelectColor", "SelectedColor", "HeaderImage", "HeaderMessage",
          "HeaderBgColor", "HeaderTextColor", "BgImageOne", "BgImageTwo", "BgImageThree", "BgImageFour",
          "tipColor", "ScrollBarImg", "ScrollBarBgColor", "UpButtonImg", "DownButtonImg"}},
        {"BiaoQingCtl", {"background", "pagesize", "path", "LeftBtnImg", "RightBtnImg"}},
        {"ImageListBox",
         {"DefaultImage", "BgColor", "SelectColor", "ImageSize", "ScrollBarImg", "ScrollBarBgColor", "UpButtonImg",
          "DownButtonImg"}},
        // The fuzz target's own type: one property of every value form.
        {"Fuzz", {"Color", "Pair", "Items", "Text", "Speed"}},
    };
    return table;
}

// A value of the form the property is read in.
std::string ValueFor(const std::string& name) {
    static const std::map<std::string, std::string> special = {
        {"Text", "Hello &amp; welcome___"},
        {"Message", "first line;second line;third___"},
        {"itemImages", "img\\a.png;img\\b.png;img\\c.png"},
        {"Items", "one;two;three"},
        {"HeaderMessage", "Name,80;Score,40;Seat,30"},
        {"CardData", "1;18;35;52;13;78;79"},
        {"parameter", "0;0;16;16"},
        {"Speed", "2.5"},
        {"address", "http://127.0.0.1/x"},
        {"Font", "simsun.ttc"},
        {"path", "video\\intro.ogg"},
        {"GamePath", "anim\\win.spr"},
        {"Size", "12"},
    };
    auto it = special.find(name);
    if (it != special.end()) return it->second;
    const std::string lower = [&] {
        std::string s = name;
        for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return s;
    }();
    if (lower.find("color") != std::string::npos) return "255;200;100;50";
    if (lower.find("ctlpoint") == 0 || lower == "pair" || lower == "cardspace" || lower == "pagesize" ||
        lower == "imagesize")
        return "30;-12";
    if (lower.find("img") != std::string::npos || lower.find("image") != std::string::npos ||
        lower == "background" || lower == "backcard" || lower == "clocknumimg" || lower.find("dragbg") == 0)
        return "img\\" + name + ".png";
    if (lower.rfind("is", 0) == 0 || lower == "ishyperlink" || lower == "headerismouse") return "1";
    return "3";
}

std::string Control(const std::string& type, int id, const std::vector<std::string>& properties) {
    std::string xml = "<KestControl Type=\"" + type + "\" Name=\"" + type + "___\"><Propertys>";
    auto property = [&](const std::string& name, const std::string& value) {
        xml += "<Property Name=\"" + name + "\" Value=\"" + value + "\"/>";
    };
    property("Id", std::to_string(id));
    property("StartX", std::to_string(10 * id));
    property("StartY", "20");
    property("Width", "120");
    property("Height", "60");
    property("TipText", "tip___");
    property("Visible", "1");
    property("Enable", id % 3 ? "1" : "0");
    for (const std::string& name : properties) property(name, ValueFor(name));
    return xml + "</Propertys></KestControl>\n";
}

std::string Layout(const std::string& declaration, const std::string& children) {
    return declaration +
           "<KestControl Type=\"Container\" Name=\"Table___\"><Propertys>"
           "<Property Name=\"Id\" Value=\"1\"/><Property Name=\"Width\" Value=\"640\"/>"
           "<Property Name=\"Height\" Value=\"480\"/><Property Name=\"Visible\" Value=\"1\"/>"
           "<Property Name=\"Moving\" Value=\"0\"/><Property Name=\"IsModal\" Value=\"0\"/>"
           "</Propertys><Childrens>\n" +
           children + "</Childrens></KestControl>\n";
}

const char* const kGbkDeclaration = "<?xml version=\"1.0\" encoding=\"GBK\"?>\n";

void Layouts(Seeds& seeds) {
    seeds.add("layout", "every_control.xml", EveryControlLayout());
    int id = 2;
    for (const auto& type : TypeProperties())
        seeds.add("layout", "control_" + type.first + ".xml",
                  Layout(kGbkDeclaration, Control(type.first, id++, type.second)));
    // UTF-8 text (converted to GBK on reading), a comment, CDATA and an unknown type.
    seeds.add("layout", "utf8.xml",
              Layout("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- seed -->\n",
                     Control("StaticText", 7, {"Text"}) +
                         "<KestControl Type=\"Button\" Name=\"\xE5\xBC\x80\xE5\xA7\x8B___\"><Propertys>"
                         "<Property Name=\"Text\" Value=\"\xE5\xBC\x80\xE5\xA7\x8B\xE6\xB8\xB8\xE6\x88\x8F___\"/>"
                         "</Propertys></KestControl>\n"
                         "<KestControl Type=\"Unknown\" Name=\"u___\"/><Other><![CDATA[x]]></Other>\n"));
    // GBK text in a GBK file.
    seeds.add("layout", "gbk.xml",
              Layout(kGbkDeclaration,
                     "<KestControl Type=\"StaticText\" Name=\"\xBF\xAA\xCA\xBC___\"><Propertys>"
                     "<Property Name=\"Text\" Value=\"\xBF\xAA\xCA\xBC\xD3\xCE\xCF\xB7___\"/>"
                     "<Property Name=\"Color\" Value=\"1;2;3\"/></Propertys></KestControl>\n"));
}

// ---- Wire messages ----

// The fuzz target's input: the number of reads, one byte per read choosing
// its form, then the message.
std::string MessageInput(const std::vector<uint8_t>& reads, const CKesMessageOut& message) {
    std::string s(1, static_cast<char>(reads.size()));
    s.append(reads.begin(), reads.end());
    s.append(message.getData(), message.getLength());
    return s;
}

void Messages(Seeds& seeds) {
    // Read forms: 0 byte, 1 short, 2 long, 3 string with length, 23 string
    // of fixed width 7, 4 a copy reading a string with length.
    CKesMessageOut all(1001);
    test::WriteEveryWidth(all, {{"player", -1}, {"fixed", 7}, {"\xC4\xE3\xBA\xC3", -1}});
    seeds.add("message", "every_form.bin", MessageInput({0, 1, 2, 3, 23, 4}, all));
    CKesMessageOut strings(7);
    strings.writeString("", -1);
    strings.writeString("a somewhat longer text of the chat", -1);
    strings.writeString("abc", 1);
    seeds.add("message", "strings.bin", MessageInput({3, 3, 8, 13, 3}, strings));
    CKesMessageOut numbers(65535);
    for (int i = 0; i < 4; ++i) {
        numbers.writeByte(i);
        numbers.writeShort(i * 1000);
        numbers.writeLong(i * -1000000);
    }
    seeds.add("message", "numbers.bin", MessageInput({0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2, 2}, numbers));
    // A string length beyond the message, and a message shorter than its id.
    CKesMessageOut lying(3);
    lying.writeShort(5000);
    lying.writeLong(1);
    seeds.add("message", "lying_length.bin", MessageInput({3, 2, 0}, lying));
    seeds.add("message", "short_id.bin", std::string("\x02\x00\x01\x07", 4));
}

// ---- Card rules and the card hand control ----

std::string Cards(std::initializer_list<std::vector<int>> lists) {
    std::string s;
    bool first = true;
    for (const std::vector<int>& list : lists) {
        if (!first) s += '\xFF';
        first = false;
        for (int v : list) s += static_cast<char>(v);
    }
    return s;
}

void CardRules(Seeds& seeds) {
    // A full hand of seventeen, then plays of every hand type.
    const std::vector<int> hand = {0x03, 0x13, 0x23, 0x04, 0x14, 0x05, 0x06, 0x07, 0x08,
                                   0x09, 0x0A, 0x1A, 0x2A, 0x3A, 0x01, 0x4E, 0x4F};
    seeds.add("cards", "singles_pairs.bin", Cards({hand, {0x05}, {0x16, 0x26}, {0x07, 0x17, 0x27}}));
    seeds.add("cards", "triples.bin",
              Cards({hand, {0x08, 0x18, 0x28, 0x03}, {0x09, 0x19, 0x29, 0x04, 0x14}, {0x0B, 0x1B, 0x2B, 0x0C}}));
    seeds.add("cards", "runs.bin",
              Cards({hand, {0x03, 0x04, 0x05, 0x06, 0x07}, {0x03, 0x13, 0x04, 0x14, 0x05, 0x15},
                     {0x07, 0x17, 0x27, 0x08, 0x18, 0x28}, {0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x01}}));
    seeds.add("cards", "planes.bin",
              Cards({hand, {0x07, 0x17, 0x27, 0x08, 0x18, 0x28, 0x03, 0x04},
                     {0x07, 0x17, 0x27, 0x08, 0x18, 0x28, 0x03, 0x13, 0x04, 0x14}}));
    seeds.add("cards", "bombs.bin",
              Cards({hand, {0x0A, 0x1A, 0x2A, 0x3A}, {0x0A, 0x1A, 0x2A, 0x3A, 0x03, 0x04},
                     {0x0A, 0x1A, 0x2A, 0x3A, 0x03, 0x13, 0x04, 0x14}, {0x4E, 0x4F}, {0x02, 0x12, 0x22, 0x32}}));
    seeds.add("cards", "odd_values.bin", Cards({{0x00, 0x5F, 0x0E, 0x40, 0x10}, {0x00}, {0x5F, 0x0E}}));
}

// Operations of the card control target (see its switch): 6 sets a hand,
// 7-9 mouse (the kind from the step), 10 plays random cards, 11 removes,
// 12 starts playing, 13 raises, 14 clears/resets/shows/loses focus, 15 parses a text.
void CardControl(Seeds& seeds) {
    auto at = [](int pixels) { return static_cast<char>(pixels + 64); };
    std::string hand = {6, 10, 0x03, 0x13, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x01, 0};
    // Step 1 presses, 2 moves, 3 releases: a drag across four cards.
    std::string drag = hand + std::string{7, at(5), at(40), 8, at(45), at(40), 9, at(45), at(40), 12};
    seeds.add("card_control", "drag_and_play.bin", drag);
    std::string looks = hand + std::string{3, 1, 4, 1, 5, 2, 0, at(20), 1, at(15), at(25), 2, at(-5)} +
                        std::string{13, at(1), at(3), 10, at(2), 11, 3, 0x03, 0x13, 0x55, 14, 1, 14, 2, at(4)};
    seeds.add("card_control", "looks_and_hands.bin", looks);
    std::string text = hand + std::string{15, 11} + "1;18;35;52;" + std::string{14, 0, 15, 3} + "x;;";
    seeds.add("card_control", "parse_text.bin", text);
}

}  // namespace

std::string EveryControlLayout() {
    std::string children;
    int id = 2;
    for (const auto& type : TypeProperties()) children += Control(type.first, id++, type.second);
    return Layout(kGbkDeclaration, children);
}

std::vector<Seed> MakeSeeds() {
    std::vector<Seed> out;
    Seeds seeds(out);
    Pictures(seeds);
    Gifs(seeds);
    Clips(seeds);
    Archives(seeds);
    Layouts(seeds);
    Messages(seeds);
    CardRules(seeds);
    CardControl(seeds);
    return out;
}

}  // namespace fuzzseeds
}  // namespace kest2d
