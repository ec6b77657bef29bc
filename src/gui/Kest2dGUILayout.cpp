// Layout files, the pieces every loader shares: the value forms, the
// properties of one control as the file gives them, the common properties,
// and one load's texture, font and problem reporting. The control types live
// in Kest2dGUILayoutTypes.cpp, the reader in Kest2dGUILayoutReader.cpp and the
// writer in Kest2dGUILayoutWriter.cpp.
#include "gui/Kest2dGUILayout.h"

#include <tinyxml.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "frame/Kest2dBaseFrame.h"
#include "gui/Kest2dGUIContainer.h"
#include "platform/KesCharset.h"

namespace kest2d {

const char* const kLayoutTextFiller = "___";

// ---- Value forms ----

int LayoutInteger(const std::string& text) {
    const char* p = text.c_str();
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\v' || *p == '\f') ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    long long value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) value = INT_MAX;
    if (value < INT_MIN) value = INT_MIN;
    return static_cast<int>(value);
}

double LayoutDecimal(const std::string& text) {
    errno = 0;
    const double value = std::strtod(text.c_str(), nullptr);
    return std::isfinite(value) ? value : 0.0;
}

std::string LayoutTrimmed(const std::string& text) {
    // Start offsets of the characters: a byte with its top bit set begins a
    // two-byte character.
    std::vector<size_t> starts;
    for (size_t i = 0; i < text.size();) {
        starts.push_back(i);
        i += (static_cast<unsigned char>(text[i]) & 0x80) && i + 1 < text.size() ? 2 : 1;
    }
    if (starts.size() < 3) return text;
    return text.substr(0, starts[starts.size() - 3]);
}

std::string LayoutAttribute(const TiXmlElement* element, const char* name, bool utf8) {
    if (!element) return std::string();
    const char* value = element->Attribute(name);
    if (!value) return std::string();
    return utf8 ? platform::Utf8ToGbk(value) : std::string(value);
}

// ---- Properties ----

void KesLayoutProperties::Read(const TiXmlElement* control, bool utf8) {
    mValues.clear();
    if (!control) return;
    const TiXmlElement* list = control->FirstChildElement("Propertys");
    if (!list) return;
    for (const TiXmlElement* p = list->FirstChildElement("Property"); p; p = p->NextSiblingElement("Property"))
        mValues[LayoutAttribute(p, "Name", utf8)] = LayoutAttribute(p, "Value", utf8);
}

namespace {
std::vector<std::pair<std::string, std::string>>* gReadLog = nullptr;
}  // namespace

void KesLayoutProperties::SetReadLog(std::vector<std::pair<std::string, std::string>>* log) { gReadLog = log; }

void KesLayoutProperties::Note(const std::string& name, const char* form) const {
    if (gReadLog) gReadLog->emplace_back(name, form);
}

std::string KesLayoutProperties::Raw(const std::string& name) const {
    auto it = mValues.find(name);
    return it == mValues.end() ? std::string() : it->second;
}

std::string KesLayoutProperties::Value(const std::string& name) const {
    Note(name, "value");
    return Raw(name);
}

int KesLayoutProperties::Integer(const std::string& name, int absent) const {
    Note(name, "integer");
    auto it = mValues.find(name);
    return it == mValues.end() ? absent : LayoutInteger(it->second);
}

bool KesLayoutProperties::Flag(const std::string& name, bool absent) const {
    Note(name, "flag");
    auto it = mValues.find(name);
    return it == mValues.end() ? absent : LayoutInteger(it->second) > 0;
}

double KesLayoutProperties::Decimal(const std::string& name) const {
    Note(name, "decimal");
    return LayoutDecimal(Raw(name));
}

std::string KesLayoutProperties::Text(const std::string& name) const {
    Note(name, "text");
    const std::string value = Raw(name);
    if (name == "TipText" || name == "Text" || name == "Message") return LayoutTrimmed(value);
    return value;
}

bool KesLayoutProperties::Colour(const std::string& name, CKesColor& out, CKesBaseGUIContainer& parser) const {
    Note(name, "colour");
    const std::string value = Raw(name);
    parser.GetParameters().clear();
    if (value.empty() || parser.ParseStringToParameter(value, ";") != 4) return false;
    const std::vector<std::string>& p = parser.GetParameters();
    out = CKesColor(static_cast<unsigned>(LayoutInteger(p[0])), static_cast<unsigned>(LayoutInteger(p[1])),
                    static_cast<unsigned>(LayoutInteger(p[2])), static_cast<unsigned>(LayoutInteger(p[3])));
    return true;
}

namespace {

// Geometry far beyond any screen is held here, so that corners and offsets
// computed from it stay inside the int range. Pairs (points, steps and sizes)
// are held to the same range.
int Geometry(int value) {
    const int limit = 1000000;
    return value < -limit ? -limit : value > limit ? limit : value;
}

}  // namespace

bool KesLayoutProperties::Pair(const std::string& name, CKesDimension2d<int>& out,
                               CKesBaseGUIContainer& parser) const {
    Note(name, "pair");
    const std::string value = Raw(name);
    parser.GetParameters().clear();
    if (value.empty() || parser.ParseStringToParameter(value, ";") != 2) return false;
    const std::vector<std::string>& p = parser.GetParameters();
    out = CKesDimension2d<int>(Geometry(LayoutInteger(p[0])), Geometry(LayoutInteger(p[1])));
    return true;
}

std::vector<std::string> KesLayoutProperties::List(const std::string& name, CKesBaseGUIContainer& parser) const {
    Note(name, "list");
    const std::string value = Raw(name);
    if (value.empty()) return {};
    parser.GetParameters().clear();
    parser.ParseStringToParameter(value, ";");
    return parser.GetParameters();
}

void KesLayoutCommon::Read(const KesLayoutProperties& properties) {
    id = properties.Integer("Id", id);
    startX = Geometry(properties.Integer("StartX", startX));
    startY = Geometry(properties.Integer("StartY", startY));
    width = Geometry(properties.Integer("Width", width));
    height = Geometry(properties.Integer("Height", height));
    visible = properties.Flag("Visible", visible);
    enable = properties.Flag("Enable", enable);
    tipText = properties.Text("TipText");
}

// ---- One load ----

KesLayoutLoad::KesLayoutLoad(CKesBaseFrame* frame, std::string file, bool utf8)
    : mFrame(frame), mFile(std::move(file)), mUtf8(utf8) {}

void KesLayoutLoad::Problem(const std::string& key, const std::string& message) {
    if (!mReported.insert(key).second) return;
    if (mFrame && CKesLogger::admits(WARN)) mFrame->SystemLog(WARN, message);
}

unsigned long KesLayoutLoad::Texture(const std::string& name) {
    if (name.empty() || !mFrame) return 0;
    // A texture that failed once in this load is not tried (and logged) again.
    if (mReported.count("texture:" + name)) return 0;
    const unsigned long tex = mFrame->LoadTexture(name.c_str(), 0);
    if (!tex) Problem("texture:" + name, "GUI配置文件:" + mFile + "的纹理导入失败:" + name);
    return tex;
}

CKesGUIBaseFont* KesLayoutLoad::Font(const std::string& controlName, int size, const std::string& file) {
    if (!mFrame) return nullptr;
    CKesGUIBaseFont* font = file.empty() ? mFrame->LoadFont("DefaultFont", size, "")
                                         : mFrame->LoadFont(controlName.c_str(), size, file.c_str());
    if (!font) {
        const std::string what = file.empty() ? std::string("DefaultFont") : file;
        Problem("font:" + what, "GUI配置文件:" + mFile + "的字体导入失败:" + what);
    }
    return font;
}

}  // namespace kest2d
