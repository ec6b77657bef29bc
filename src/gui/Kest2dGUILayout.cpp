// Loading and saving layout files of containers.
#include "gui/Kest2dGUILayout.h"

#include <tinyxml.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "frame/Kest2dBaseFrame.h"
#include "resource/Kest2dXmlDocument.h"
#include "gui/Kest2dGUIContainer.h"
#include "gui/controls/Kest2dGUIButton.h"
#include "gui/controls/Kest2dGUIEditorBox.h"
#include "gui/controls/Kest2dGUIGameCard.h"
#include "gui/controls/Kest2dGUIImage.h"
#include "gui/controls/Kest2dGUIMoveAnimator.h"
#include "gui/controls/Kest2dGUIStatic.h"
#include "gui/controls/Kest2dGUIVideo.h"
#include "gui/controls/Kest2dGUIGameAnimator.h"
#include "gui/controls/Kest2dGUIGameClock.h"
#include "gui/controls/Kest2dGUIMultiButton.h"
#include "gui/controls/Kest2dGUIInfoScroller.h"
#include "gui/controls/Kest2dGUIChatMessage.h"
#include "gui/controls/Kest2dGUIDragControl.h"
#include "gui/controls/Kest2dGUIProcessBar.h"
#include "gui/controls/Kest2dGUIScrollBar.h"
#include "gui/controls/Kest2dGUITextarea.h"
#include "gui/controls/Kest2dGUIMultiListBox.h"
#include "gui/controls/Kest2dGUIBiqoQing.h"
#include "gui/controls/Kest2dGUIImageListBox.h"
#include "platform/KesCharset.h"
#include "platform/KesFiles.h"

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

// ---- Control types ----

namespace {

void SetElementTipText(CKesBaseGUIElement& control, const std::string& tipText) { control.SetTipText(tipText); }

CKesBaseGUIElement* MakeButton(CKesBaseGUIContainer& container, int id, const std::string& name,
                               const CKesRect<int>& rect, CKesBaseGUIElement* parent) {
    return container.AddButton(id, name, rect, parent);
}

void ApplyButton(CKesBaseGUIElement& control, const KesLayoutProperties& properties, const KesLayoutCommon& common,
                 CKesBaseGUIContainer& /*parser*/, KesLayoutLoad& load) {
    CKesGUIButton& button = static_cast<CKesGUIButton&>(control);
    if (!common.enable) button.SetState(STATE_DISABLED);
    button.SetType(static_cast<ButtonType>(properties.Integer("ButtonType")));
    const std::string text = properties.Text("Text");
    if (!text.empty()) button.SetText(text);
    const std::string background = properties.Value("background");
    if (!background.empty()) button.SetBgImage(load.Texture(background));
}

CKesBaseGUIElement* MakeStaticText(CKesBaseGUIContainer& container, int id, const std::string& name,
                                   const CKesRect<int>& rect, CKesBaseGUIElement* parent) {
    return container.AddStaticText(id, name, rect, parent);
}

void ApplyStaticText(CKesBaseGUIElement& control, const KesLayoutProperties& properties,
                     const KesLayoutCommon& /*common*/, CKesBaseGUIContainer& parser, KesLayoutLoad& load) {
    CKesGUIStatic& label = static_cast<CKesGUIStatic&>(control);
    const std::string text = properties.Text("Text");
    if (!text.empty()) label.SetText(text);
    // The colour is always set: a value that does not parse keeps the current one.
    CKesColor colour = label.GetColor();
    properties.Colour("Color", colour, parser);
    label.SetColor(colour);
    label.SetSnapStyle(properties.Integer("Snap"));
    const int size = properties.Integer("Size");
    if (size > 0) {
        label.SetFont(load.Font(label.GetCaption(), size, properties.Value("Font")));
        label.SetSize(size);
    }
    if (properties.Flag("Ishyperlink")) {
        label.SetIsHyperlink(true);
        CKesColor hover;
        if (properties.Colour("SelColor", hover, parser)) label.SetHLSelColor(hover);
        const std::string address = properties.Value("address");
        if (!address.empty()) label.SetHLAddress(address);
    }
}

CKesBaseGUIElement* MakeEditorBox(CKesBaseGUIContainer& container, int id, const std::string& name,
                                  const CKesRect<int>& rect, CKesBaseGUIElement* parent) {
    return container.AddEditorBox(id, name, rect, parent);
}

void SetEditorBoxTipText(CKesBaseGUIElement& control, const std::string& tipText) {
    static_cast<CKesGUIEditorBox&>(control).SetTipText(tipText);
}

void ApplyEditorBox(CKesBaseGUIElement& control, const KesLayoutProperties& properties,
                    const KesLayoutCommon& /*common*/, CKesBaseGUIContainer& parser, KesLayoutLoad& /*load*/) {
    CKesGUIEditorBox& box = static_cast<CKesGUIEditorBox&>(control);
    // A "Text" stands in for the tip text.
    const std::string text = properties.Text("Text");
    if (!text.empty()) box.SetTipText(text);
    CKesColor colour = box.GetColor();
    properties.Colour("Color", colour, parser);
    box.SetColor(colour);
    box.SetMaxCount(properties.Integer("MaxCount"));
}

CKesBaseGUIElement* MakeVideoBox(CKesBaseGUIContainer& container, int id, const std::string& name,
                                 const CKesRect<int>& rect, CKesBaseGUIElement* parent) {
    return container.AddVideoBox(id, name, rect, parent);
}

void ApplyVideoBox(CKesBaseGUIElement& control, const KesLayoutProperties& properties,
                   const KesLayoutCommon& /*common*/, CKesBaseGUIContainer& /*parser*/, KesLayoutLoad& /*load*/) {
    static_cast<CKesGUIVideo&>(control).LoadVideo(properties.Value("path"), properties.Flag("IsPlay"));
}

CKesBaseGUIElement* MakeGameAnimator(CKesBaseGUIContainer& container, int id, const std::string& name,
                                     const CKesRect<int>& rect, CKesBaseGUIElement* parent) {
    return container.AddGameAnimator(id, name, rect, parent);
}

void ApplyGameAnimator(CKesBaseGUIElement& control, const KesLayoutProperties& properties,
                       const KesLayoutCommon& /*common*/, CKesBaseGUIContainer& /*parser*/, KesLayoutLoad& load) {
    CKesGUIGameAnimator& animator = static_cast<CKesGUIGameAnimator&>(control);
    const std::string path = properties.Value("GamePath");
    if (!animator.LoadAnimator(path) && !path.empty())
        load.Problem("animator:" + path, "GUI配置文件:" + load.File() + "的动画导入失败:" + path);
    // "IsDefPlay" decides whether the loaded animation runs.
    if (properties.Flag("IsDefPlay"))
        animator.Play();
    else
        animator.Pause();
}

CKesBaseGUIElement* MakeGameClock(CKesBaseGUIContainer& container, int id, const std::string& name,
                                  const CKesRect<int>& rect, CKesBaseGUIElement* parent) {
    return container.AddGameClock(id, name, rect, parent);
}

void ApplyGameClock(CKesBaseGUIElement& control, const KesLayoutProperties& properties,
                    const KesLayoutCommon& /*common*/, CKesBaseGUIContainer& /*parser*/, KesLayoutLoad& load) {
    CKesGUIGameClock& clock = static_cast<CKesGUIGameClock&>(control);
    const std::string background = properties.Value("background");
    if (!background.empty()) clock.SetBgImage(load.Texture(background));
    clock.SetClockNumImg(load.Texture(properties.Value("clocknumimg")));
    clock.SetClockNum(properties.Integer("DefaultNum"));
    clock.SetNumSpace(properties.Integer("NumSpace"));
    clock.SetSnapType(static_cast<ClockSnapType>(properties.Integer("SnapType")));
}

CKesBaseGUIElement* MakeMultiButton(CKesBaseGUIContainer& container, int id, const std::string& name,
                                    const CKesRect<int>& rect, CKesBaseGUIElement* parent) {
    return container.AddMultiButton(id, name, rect, parent);
}

void ApplyMultiButton(CKesBaseGUIElement& control, const KesLayoutProperties& properties,
                      const KesLayoutCommon& /*common*/, CKesBaseGUIContainer& parser, KesLayoutLoad& /*load*/) {
    CKesGUIMultiButton& group = static_cast<CKesGUIMultiButton&>(control);
    group.SetDefSelectedItem(properties.Integer("DefaultSelected"));
    for (const std::string& image : properties.List("itemImages", parser)) group.AddButton(image);
}

CKesBaseGUIElement* MakeInfoScroller(CKesBaseGUIContainer& container, int id, const std::string& name,
                                     const CKesRect<int>& rect, CKesBaseGUIElement* parent) {
    return container.AddInfoScroller(id, name, rect, parent);
}

void ApplyInfoScroller(CKesBaseGUIElement& control, const KesLayoutProperties& properties,
                       const KesLayoutCommon& /*common*/, CKesBaseGUIContainer& parser, KesLayoutLoad& load) {
    CKesGUIInfoScroller& ticker = static_cast<CKesGUIInfoScroller&>(control);
    const std::string text = properties.Text("Text");
    if (!text.empty()) ticker.SetText(text);
    CKesColor colour = ticker.GetColor();
    properties.Colour("Color", colour, parser);
    ticker.SetColor(colour);
    ticker.SetInfoScrType(static_cast<InfoScrType>(properties.Integer("ScrollType")));
    const int size = properties.Integer("Size");
    if (size > 0) {
        ticker.SetFont(load.Font(ticker.GetCaption(), size, properties.Value("Font")));
        ticker.SetSize(size);
    }
}

CKesBaseGUIElement* MakeScrollBar(CKesBaseGUIContainer& container, int id, const std::string& name,
                                  const CKesRect<int>& rect, CKesBaseGUIElement* parent) {
    return container.AddScrollBar(id, name, rect, parent);
}

// The images of a scroll bar, from the properties of its owner or its own.
void ApplyScrollBarImages(CKesGUIScrollBar& bar, const KesLayoutProperties& properties) {
    const std::string up = properties.Value("UpButtonImg");
    if (!up.empty()) bar.SetUpBtnImg(up);
    const std::string down = properties.Value("DownButtonImg");
    if (!down.empty()) bar.SetDownButtonImg(down);
    const std::string thumb = properties.Value("ScrollBarImg");
    if (!thumb.empty()) bar.SetScrollBarImg(thumb);
}

void ApplyScrollBar(CKesBaseGUIElement& control, const KesLayoutProperties& properties,
                    const KesLayoutCommon& /*common*/, CKesBaseGUIContainer& parser, KesLayoutLoad& /*load*/) {
    CKesGUIScrollBar& bar = static_cast<CKesGUIScrollBar&>(control);
    bar.SetMaxValue(properties.Integer("MaxValue"));
    bar.SetCurValue(properties.Integer("CurValue"));
    bar.SetPageCount(properties.Integer("PageCount"));
    CKesColor colour;
    if (properties.Colour("BgColor", colour, parser)) bar.SetBackgroundColor(colour);
    ApplyScrollBarImages(bar, properties);
}

// The width of a child scroll bar: a quarter of its thumb strip's width, 0
// when the strip does not load.
int ChildScrollBarWidth(const KesLayoutProperties& properties, KesLayoutLoad& load) {
    const std::string thumb = properties.Value("ScrollBarImg");
    const unsigned long tex = load.Texture(thumb);
    return tex && load.Frame() ? load.Frame()->GetTextureWidth(tex) / 4 : -1;
}

// A child scroll bar pages by the lines its owner shows.
void ApplyChildScrollBar(CKesGUIScrollBar* bar, int lines, const KesLayoutProperties& properties,
                         const char* colourName, CKesBaseGUIContainer& parser) {
    if (!bar) return;
    bar->SetPageCount(lines);
    CKesColor colour;
    if (properties.Colour(colourName, colour, parser)) bar->SetBackgroundColor(colour);
    ApplyScrollBarImages(*bar, properties);
}

CKesBaseGUIElement* MakeDragControl(CKesBaseGUIContainer& container, int id, const std::string& name,
                                    const CKesRect<int>& rect, CKesBaseGUIElement* parent) {
    return container.AddDragControl(id, name, rect, parent);
}

void ApplyDragControl(CKesBaseGUIElement& control, const KesLayoutProperties& properties,
                      const KesLayoutCommon& /*common*/, CKesBaseGUIContainer& /*parser*/, KesLayoutLoad& load) {
    CKesGUIDragControl& slider = static_cast<CKesGUIDragControl&>(control);
    const std::string one = properties.Value("dragbgimgone");
    if (!one.empty()) slider.SetBgImageOne(one);
    const std::string two = properties.Value("dragbgimgtwo");
    if (!two.empty()) slider.SetBgImageTwo(two);
    const std::string three = properties.Value("dragbgimgthree");
    if (!three.empty()) slider.SetBgImageThree(three);
    const std::string background = properties.Value("background");
    if (!background.empty()) {
        const unsigned long tex = load.Texture(background);
        slider.SetBgImage(tex);
        slider.SetDragScrollBar(tex);
    }
    slider.SetCurrentProcess(properties.Integer("process"));
}

CKesBaseGUIElement* MakeProcessBar(CKesBaseGUIContainer& container, int id, const std::string& name,
                                   const CKesRect<int>& rect, CKesBaseGUIElement* parent) {
    return container.AddProcessBar(id, name, rect, parent);
}

void ApplyProcessBar(CKesBaseGUIElement& control, const KesLayoutProperties& properties,
                     const KesLayoutCommon& /*common*/, CKesBaseGUIContainer& parser, KesLayoutLoad& /*load*/) {
    CKesGUIProcessBar& bar = static_cast<CKesGUIProcessBar&>(control);
    bar.SetMaxValue(properties.Integer("maxvalue"));
    bar.SetProcess(properties.Integer("process"));
    bar.SetIsTip(properties.Flag("IsTip"));
    const std::string one = properties.Value("BgImageOne");
    if (!one.empty()) bar.SetBgImageOne(one);
    const std::string two = properties.Value("BgImageTwo");
    if (!two.empty()) bar.SetBgImageTwo(two);
    const std::string three = properties.Value("BgImageThree");
    if (!three.empty()) bar.SetBgImageThree(three);
    const std::string four = properties.Value("BgImageFour");
    if (!four.empty()) bar.SetBgImageFour(four);
    CKesColor colour;
    if (properties.Colour("bgColor", colour, parser)) bar.SetBgColor(colour);
    if (properties.Colour("proColor", colour, parser)) bar.SetProcessColor(colour);
    if (properties.Colour("tipColor", colour, parser)) bar.SetProTipColor(colour);
}

CKesBaseGUIElement* MakeTextarea(CKesBaseGUIContainer& container, int id, const std::string& name,
                                 const CKesRect<int>& rect, CKesBaseGUIElement* parent) {
    return container.AddTextarea(id, name, rect, parent);
}

void ApplyTextarea(CKesBaseGUIElement& control, const KesLayoutProperties& properties,
                   const KesLayoutCommon& /*common*/, CKesBaseGUIContainer& parser, KesLayoutLoad& load) {
    CKesGUITextarea& area = static_cast<CKesGUITextarea&>(control);
    if (!properties.Flag("IsUseScrollbar")) return;
    const int width = ChildScrollBarWidth(properties, load);
    if (width >= 0) area.SetScrollBarWidth(width);
    area.SetUseScrollBar(true);
    ApplyChildScrollBar(area.GetScrollBar(), area.GetDisplayLineCount(), properties, "BgColor", parser);
}

CKesBaseGUIElement* MakeChatMessage(CKesBaseGUIContainer& container, int id, const std::string& name,
                                    const CKesRect<int>& rect, CKesBaseGUIElement* parent) {
    return container.AddChatMessage(id, name, rect, parent);
}

void ApplyChatMessage(CKesBaseGUIElement& control, const KesLayoutProperties& properties,
                      const KesLayoutCommon& /*common*/, CKesBaseGUIContainer& parser, KesLayoutLoad& load) {
    CKesGUIChatMessage& box = static_cast<CKesGUIChatMessage&>(control);
    const std::string background = properties.Value("background");
    if (!background.empty()) box.SetBgImage(load.Texture(background));
    CKesColor colour;
    if (properties.Colour("TextColor", colour, parser)) box.SetTextColor(colour);
    if (properties.Colour("SelectTextColor", colour, parser)) box.SetSelectTextColor(colour);
    const int width = ChildScrollBarWidth(properties, load);
    if (width >= 0) box.SetScrollBarWidth(width);
    box.CreateScrollBar();
    ApplyChildScrollBar(box.GetScrollBar(), box.GetDisplayLineCount(), properties, "ScrollBarBgColor", parser);
    const std::string messages = properties.Text("Message");
    if (messages.empty()) return;
    parser.GetParameters().clear();
    parser.ParseStringToParameter(messages, ";");
    const std::vector<std::string> pieces = parser.GetParameters();
    for (const std::string& piece : pieces) box.AddString(piece);
}

CKesBaseGUIElement* MakeGameCard(CKesBaseGUIContainer& container, int id, const std::string& name,
                                 const CKesRect<int>& rect, CKesBaseGUIElement* parent) {
    return container.AddGameCard(id, name, rect, parent);
}

void ApplyGameCard(CKesBaseGUIElement& control, const KesLayoutProperties& properties,
                   const KesLayoutCommon& /*common*/, CKesBaseGUIContainer& parser, KesLayoutLoad& load) {
    CKesGUIGameCard& cards = static_cast<CKesGUIGameCard&>(control);
    const std::string faces = properties.Value("background");
    if (!faces.empty()) cards.SetBgImage(load.Texture(faces));
    const std::string backs = properties.Value("backcard");
    if (!backs.empty()) cards.SetCardBackTex(load.Texture(backs));
    cards.SetCardWidthAndHeight(properties.Integer("CardWidth"), properties.Integer("CardHeight"));
    CKesDimension2d<int> space;
    if (properties.Pair("CardSpace", space, parser)) {
        cards.SetCardSpace(space.Width);
        cards.SetCardUpSpace(space.Height);
    }
    cards.SetShowCards(properties.Flag("IsShowCard"));
    cards.SetSnapType(static_cast<CKesGUIGameCard::CardSnapType>(properties.Integer("SnapType")));
    cards.SetReverseShowCards(properties.Flag("IsReverse"));
    cards.SetCardDirection(static_cast<CKesGUIGameCard::CardDir>(properties.Integer("CardDirecton")));
    cards.SetDisType(static_cast<CKesGUIGameCard::CardDisType>(properties.Integer("Isslope")));
    cards.SetSlopeAngle(properties.Integer("slopeangle"));
    const std::string slope = properties.Value("slopeimage");
    if (!slope.empty()) cards.SetSlopeImage(slope);
    CKesVector<int> values;
    for (const std::string& piece : properties.List("CardData", parser)) values.push_back(LayoutInteger(piece));
    if (!values.empty()) cards.SetCardData(values, true);
}

CKesBaseGUIElement* MakeImage(CKesBaseGUIContainer& container, int id, const std::string& name,
                              const CKesRect<int>& rect, CKesBaseGUIElement* parent) {
    return container.AddImage(id, name, rect, parent);
}

void ApplyImage(CKesBaseGUIElement& control, const KesLayoutProperties& properties, const KesLayoutCommon& /*common*/,
                CKesBaseGUIContainer& parser, KesLayoutLoad& /*load*/) {
    CKesGUIImage& image = static_cast<CKesGUIImage&>(control);
    // The source rectangle only from exactly four numbers.
    const std::string parameter = properties.Value("parameter");
    if (!parameter.empty()) {
        parser.GetParameters().clear();
        if (parser.ParseStringToParameter(parameter, ";") == 4) {
            const std::vector<std::string>& p = parser.GetParameters();
            image.SetSrcStartPos(LayoutInteger(p[0]), LayoutInteger(p[1]));
            image.SetSrcHeightAndWidth(LayoutInteger(p[2]), LayoutInteger(p[3]));
        }
    }
    CKesColor colour;
    if (properties.Colour("color", colour, parser)) image.SetColor(colour);
    const std::string background = properties.Value("background");
    if (!background.empty()) image.SetImagePath(background);
}

CKesBaseGUIElement* MakeMoveAnimator(CKesBaseGUIContainer& container, int id, const std::string& name,
                                     const CKesRect<int>& rect, CKesBaseGUIElement* parent) {
    return container.AddMoveAnimator(id, name, rect, parent);
}

void ApplyMoveAnimator(CKesBaseGUIElement& control, const KesLayoutProperties& properties,
                       const KesLayoutCommon& /*common*/, CKesBaseGUIContainer& parser, KesLayoutLoad& load) {
    CKesGUIMoveAnimator& animator = static_cast<CKesGUIMoveAnimator&>(control);
    animator.setIsEdit(properties.Flag("IsEditMode"));
    static const char* const points[] = {"ctlPointEnd", "ctlPointEndControl", "ctlPointStartControl",
                                         "ctlPointStart"};
    for (int i = IDD_CONTROL_POINT_COUNT - 1; i >= 0; --i) {
        CKesDimension2d<int> pair;
        if (properties.Pair(points[i], pair, parser))
            animator.SetControlPoint(CKesPosition2d<int>(pair.Width, pair.Height), i);
    }
    animator.GetBernstern();
    const std::string background = properties.Value("background");
    if (!background.empty()) {
        animator.SetBgImage(load.Texture(background));
        animator.LoadAnimImage(background);
    }
    animator.SetSpeed(static_cast<float>(properties.Decimal("Speed")));
}

CKesBaseGUIElement* MakeMultiListBox(CKesBaseGUIContainer& container, int id, const std::string& name,
                                     const CKesRect<int>& rect, CKesBaseGUIElement* parent) {
    return container.AddMultiListBox(id, name, rect, parent);
}

void ApplyMultiListBox(CKesBaseGUIElement& control, const KesLayoutProperties& properties,
                       const KesLayoutCommon& /*common*/, CKesBaseGUIContainer& parser, KesLayoutLoad& load) {
    CKesGUIMultiListBox& list = static_cast<CKesGUIMultiListBox&>(control);
    list.SetIsSort(properties.Flag("HeaderIsMouse"));
    CKesColor colour;
    if (properties.Colour("BgColor", colour, parser)) list.SetBgColor(colour);
    if (properties.Colour("TextColor", colour, parser)) list.SetTextColor(colour);
    if (properties.Colour("SelectColor", colour, parser)) list.SetSelectColor(colour);
    if (properties.Colour("SelectedColor", colour, parser)) list.SetSelectedColor(colour);
    list.SetHeaderImage(properties.Value("HeaderImage"));
    const std::string message = properties.Value("HeaderMessage");
    list.SetHeaderMessage(message);
    // Each piece is a title, a comma and a width.
    for (const std::string& piece : properties.List("HeaderMessage", parser)) {
        const size_t comma = piece.find(',');
        if (comma == std::string::npos) continue;
        list.AddHeader(piece.substr(0, comma), LayoutInteger(piece.substr(comma + 1)));
    }
    if (properties.Colour("HeaderBgColor", colour, parser)) list.SetHeaderBgColor(colour);
    if (properties.Colour("HeaderTextColor", colour, parser)) list.SetHeaderTextColor(colour);
    list.SetBgImageOne(properties.Value("BgImageOne"));
    list.SetBgImageTwo(properties.Value("BgImageTwo"));
    list.SetBgImageThree(properties.Value("BgImageThree"));
    list.SetBgImageFour(properties.Value("BgImageFour"));
    if (properties.Colour("tipColor", colour, parser)) list.SetProTipColor(colour);
    const int width = ChildScrollBarWidth(properties, load);
    if (width >= 0) list.SetScrollBarWidth(width);
    list.CreateScrollBar();
    ApplyChildScrollBar(list.GetScrollBar(), list.GetDisplayLineCount(), properties, "ScrollBarBgColor", parser);
}

CKesBaseGUIElement* MakeBiaoQingCtl(CKesBaseGUIContainer& container, int id, const std::string& name,
                                    const CKesRect<int>& rect, CKesBaseGUIElement* parent) {
    return container.AddBiaoQingCtrl(id, name, rect, parent);
}

void ApplyBiaoQingCtl(CKesBaseGUIElement& control, const KesLayoutProperties& properties,
                      const KesLayoutCommon& /*common*/, CKesBaseGUIContainer& parser, KesLayoutLoad& load) {
    CKesGUIBiqoQing& picker = static_cast<CKesGUIBiqoQing&>(control);
    const std::string background = properties.Value("background");
    if (!background.empty()) picker.SetBgImage(load.Texture(background));
    CKesDimension2d<int> size;
    if (properties.Pair("pagesize", size, parser)) picker.SetPageSize(size);
    picker.LoadAnimators(properties.Value("path"));
    picker.SetLeftButton(properties.Value("LeftBtnImg"));
    picker.SetRightButton(properties.Value("RightBtnImg"));
}

CKesBaseGUIElement* MakeImageListBox(CKesBaseGUIContainer& container, int id, const std::string& name,
                                     const CKesRect<int>& rect, CKesBaseGUIElement* parent) {
    return container.AddImageListBox(id, name, rect, parent);
}

void ApplyImageListBox(CKesBaseGUIElement& control, const KesLayoutProperties& properties,
                       const KesLayoutCommon& /*common*/, CKesBaseGUIContainer& parser, KesLayoutLoad& load) {
    CKesGUIImageListBox& box = static_cast<CKesGUIImageListBox&>(control);
    const std::string defaultImage = properties.Value("DefaultImage");
    if (!defaultImage.empty()) box.SetDefaultImage(defaultImage);
    CKesColor colour;
    if (properties.Colour("BgColor", colour, parser)) box.SetBgColor(colour);
    if (properties.Colour("SelectColor", colour, parser)) box.SetSelectColor(colour);
    CKesDimension2d<int> size;
    if (properties.Pair("ImageSize", size, parser)) box.SetImageSize(size);
    const int width = ChildScrollBarWidth(properties, load);
    if (width >= 0) box.SetScrollBarWidth(width);
    box.CreateScrollBar();
    ApplyChildScrollBar(box.GetScrollBar(), box.GetDisplayLineCount(), properties, "ScrollBarBgColor", parser);
}

std::vector<KesLayoutControlType>& ControlTypes() {
    static std::vector<KesLayoutControlType> types = {
        {"Button", MakeButton, SetElementTipText, ApplyButton},
        {"StaticText", MakeStaticText, SetElementTipText, ApplyStaticText},
        {"EditorBox", MakeEditorBox, SetEditorBoxTipText, ApplyEditorBox},
        {"VideoBox", MakeVideoBox, nullptr, ApplyVideoBox},
        {"GameAnimator", MakeGameAnimator, SetElementTipText, ApplyGameAnimator},
        {"GameClock", MakeGameClock, SetElementTipText, ApplyGameClock},
        {"MultiButton", MakeMultiButton, SetElementTipText, ApplyMultiButton},
        {"InfoScroller", MakeInfoScroller, SetElementTipText, ApplyInfoScroller},
        {"ScrollBar", MakeScrollBar, SetElementTipText, ApplyScrollBar},
        {"DragControl", MakeDragControl, SetElementTipText, ApplyDragControl},
        {"ProcessBar", MakeProcessBar, SetElementTipText, ApplyProcessBar},
        {"Textarea", MakeTextarea, SetElementTipText, ApplyTextarea},
        {"ChatMessage", MakeChatMessage, SetElementTipText, ApplyChatMessage},
        {"GameCard", MakeGameCard, SetElementTipText, ApplyGameCard},
        {"Image", MakeImage, SetElementTipText, ApplyImage},
        {"MoveAnim", MakeMoveAnimator, SetElementTipText, ApplyMoveAnimator},
        {"MultiListBox", MakeMultiListBox, SetElementTipText, ApplyMultiListBox},
        {"BiaoQingCtl", MakeBiaoQingCtl, SetElementTipText, ApplyBiaoQingCtl},
        {"ImageListBox", MakeImageListBox, SetElementTipText, ApplyImageListBox},
    };
    return types;
}

}  // namespace

const KesLayoutControlType* FindLayoutControlType(const std::string& type) {
    for (const KesLayoutControlType& entry : ControlTypes())
        if (entry.type && type == entry.type) return &entry;
    return nullptr;
}

void RegisterLayoutControlType(const KesLayoutControlType& type) {
    if (!type.type || !type.create) return;
    for (KesLayoutControlType& entry : ControlTypes()) {
        if (entry.type && std::string(entry.type) == type.type) {
            entry = type;
            return;
        }
    }
    ControlTypes().push_back(type);
}

std::vector<std::string> LayoutControlTypeNames() {
    std::vector<std::string> names;
    for (const KesLayoutControlType& entry : ControlTypes())
        if (entry.type) names.push_back(entry.type);
    return names;
}

// ---- Loading ----

bool ReadLayoutDocument(CKesBaseFrame* frame, const char* fileName, KesXmlDocument& document) {
    if (!frame || !fileName) return false;
    unsigned long size = 0;
    char* bytes = static_cast<char*>(frame->LoadResource(fileName, &size));
    if (!bytes || size == 0) {
        delete[] bytes;
        return false;
    }
    const bool parsed = document.LoadFromMemory(bytes, size);
    delete[] bytes;
    if (!parsed) {
        if (CKesLogger::admits(ERRORR))
            frame->SystemLog(ERRORR, std::string("导入GUI配置文件:") + fileName + "失败。");
        return false;
    }
    if (document.WrongDeclaration() && CKesLogger::admits(WARN))
        frame->SystemLog(WARN, std::string("GUI配置文件:") + fileName + "声明为UTF-8编码,但内容不是UTF-8,已按GBK读取。");
    return true;
}

bool LoadControlsFromTheNode(CKesBaseGUIContainer* parent, TiXmlElement* node, KesLayoutLoad& load) {
    if (!parent || !node) return false;
    KesLayoutCommon common;
    // The first "KestControl" by name, then every following sibling element.
    for (TiXmlElement* child = node->FirstChildElement("KestControl"); child; child = child->NextSiblingElement()) {
        const std::string type = LayoutAttribute(child, "Type", load.IsUtf8());
        const KesLayoutControlType* entry = FindLayoutControlType(type);
        if (!entry) {
            if (type != "Container")
                load.Problem("type:" + type, "GUI配置文件:" + load.File() + "的控件类型未知:" + type);
            continue;
        }
        const std::string name = LayoutTrimmed(LayoutAttribute(child, "Name", load.IsUtf8()));
        KesLayoutProperties properties;
        properties.Read(child, load.IsUtf8());
        common.Read(properties);
        const CKesRect<int> rect(common.startX, common.startY, common.startX + common.width,
                                 common.startY + common.height);
        CKesBaseGUIElement* control = entry->create(*parent, common.id, name, rect, parent);
        if (!control) continue;
        control->SetVisible(common.visible);
        control->SetEnabled(common.enable);
        if (entry->setTipText) entry->setTipText(*control, common.tipText);
        if (entry->apply) entry->apply(*control, properties, common, *parent, load);
    }
    return true;
}

bool CKesBaseGUIContainer::LoadGUIConfig(const char* fileName) {
    if (!fileName || !mDriver) return false;
    KesXmlDocument document;
    if (!ReadLayoutDocument(mDriver, fileName, document)) return false;

    // The children go: neither this container nor the frame may keep pointing
    // at them as the focused, captured or current element.
    auto inSubtree = [this](CKesBaseGUIElement* e) {
        for (; e; e = e->GetParent())
            if (e->GetParent() == this) return true;
        return false;
    };
    for (CKesBaseGUIContainer* holder : {static_cast<CKesBaseGUIContainer*>(this),
                                         static_cast<CKesBaseGUIContainer*>(mDriver)}) {
        if (inSubtree(holder->mFocused)) holder->mFocused = nullptr;
        if (inSubtree(holder->mCaptured)) holder->mCaptured = nullptr;
        if (inSubtree(holder->mCurrent)) holder->mCurrent = holder;
    }
    DeleteAllControls();
    const bool utf8 = document.IsUtf8();
    TiXmlElement* root = document.FirstChildElement("KestControl");
    if (!root || LayoutAttribute(root, "Type", utf8) != "Container") return true;

    KesLayoutLoad load(mDriver, fileName, utf8);
    const std::string name = LayoutTrimmed(LayoutAttribute(root, "Name", utf8));
    KesLayoutProperties properties;
    properties.Read(root, utf8);
    KesLayoutCommon common;
    common.Read(properties);
    const bool moving = properties.Flag("Moving");
    const bool modal = properties.Flag("IsModal");
    const std::string background = properties.Value("background");

    SetID(common.id);
    if (mParent) {
        mRelativePos = CKesDimension2d<int>(common.startX, common.startY);
        const CKesPosition2d<int> origin = mParent->GetAbsoluteRect().UpperLeftCorner;
        mAbsoluteRect = CKesRect<int>(origin.X + common.startX, origin.Y + common.startY,
                                      origin.X + common.startX + common.width,
                                      origin.Y + common.startY + common.height);
    } else {
        mAbsoluteRect = CKesRect<int>(common.startX, common.startY, common.startX + common.width,
                                      common.startY + common.height);
    }
    if (!common.tipText.empty()) mTipText = common.tipText;
    SetVisible(common.visible);
    SetModal(modal);
    mMoving = moving;
    SetEnabled(common.enable);
    mCaption = name;
    SetElementType(KESGUI_CONTAINER);
    mSize = mAbsoluteRect.getSize();
    if (!background.empty()) mBackground = load.Texture(background);

    if (TiXmlElement* children = root->FirstChildElement("Childrens")) LoadControlsFromTheNode(this, children, load);
    return true;
}

// ---- Saving ----

void CKesBaseGUIContainer::SaveGUIConfig(std::string fileName) {
    if (fileName.empty()) return;
    TiXmlDocument document;
    // The engine's text is GBK, and so is the file.
    document.LinkEndChild(new TiXmlDeclaration("1.0", "GBK", ""));
    TiXmlElement* root = new TiXmlElement("KestControl");
    document.LinkEndChild(root);
    // The loader drops the last three characters of names and tip texts; the
    // writer adds three so that a saved file loads back as it was.
    root->SetAttribute("Type", "Container");
    root->SetAttribute("Name", mCaption + kLayoutTextFiller);
    TiXmlElement* list = new TiXmlElement("Propertys");
    root->LinkEndChild(list);
    auto add = [list](const char* name, const std::string& value) {
        TiXmlElement* p = new TiXmlElement("Property");
        p->SetAttribute("Name", name);
        p->SetAttribute("Value", value);
        list->LinkEndChild(p);
    };
    add("Id", std::to_string(GetID()));
    add("StartX", std::to_string(mRelativePos.Width));
    add("StartY", std::to_string(mRelativePos.Height));
    add("Width", std::to_string(mAbsoluteRect.getWidth()));
    add("Height", std::to_string(mAbsoluteRect.getHeight()));
    add("TipText", mTipText + kLayoutTextFiller);
    add("Visible", IsVisible() ? "1" : "0");
    add("Enable", IsEnabled() ? "1" : "0");
    add("Moving", mMoving ? "1" : "0");
    add("IsModal", IsModal() ? "1" : "0");
    if (!document.SaveFile(platform::DiskPath(fileName).c_str()) && mDriver && CKesLogger::admits(ERRORR))
        mDriver->SystemLog(ERRORR, "保存GUI配置文件:" + fileName + "失败。");
}

}  // namespace kest2d
