// The control types that layout files may name: for each, the container's
// factory that makes it, how it takes its tip text and the properties of its
// own, read after the common ones. Adding a type is one entry in the table at
// the end.
#include <string>
#include <vector>

#include "frame/Kest2dBaseFrame.h"
#include "gui/Kest2dGUIContainer.h"
#include "gui/Kest2dGUILayout.h"
#include "gui/controls/Kest2dGUIBiqoQing.h"
#include "gui/controls/Kest2dGUIButton.h"
#include "gui/controls/Kest2dGUIChatMessage.h"
#include "gui/controls/Kest2dGUIDragControl.h"
#include "gui/controls/Kest2dGUIEditorBox.h"
#include "gui/controls/Kest2dGUIGameAnimator.h"
#include "gui/controls/Kest2dGUIGameCard.h"
#include "gui/controls/Kest2dGUIGameClock.h"
#include "gui/controls/Kest2dGUIImage.h"
#include "gui/controls/Kest2dGUIImageListBox.h"
#include "gui/controls/Kest2dGUIInfoScroller.h"
#include "gui/controls/Kest2dGUIMoveAnimator.h"
#include "gui/controls/Kest2dGUIMultiButton.h"
#include "gui/controls/Kest2dGUIMultiListBox.h"
#include "gui/controls/Kest2dGUIProcessBar.h"
#include "gui/controls/Kest2dGUIScrollBar.h"
#include "gui/controls/Kest2dGUIStatic.h"
#include "gui/controls/Kest2dGUITextarea.h"
#include "gui/controls/Kest2dGUIVideo.h"

namespace kest2d {

namespace {

// The factory of a type: the container's own factory for it.
template <auto Add>
CKesBaseGUIElement* Make(CKesBaseGUIContainer& container, int id, const std::string& name, const CKesRect<int>& rect,
                         CKesBaseGUIElement* parent) {
    return (container.*Add)(id, name, rect, parent);
}

void SetElementTipText(CKesBaseGUIElement& control, const std::string& tipText) { control.SetTipText(tipText); }

// "Color" of a text control. The colour is always set: a value that does not
// parse keeps the current one.
template <typename Control>
void ApplyTextColour(Control& control, const KesLayoutProperties& properties, CKesBaseGUIContainer& parser) {
    CKesColor colour = control.GetColor();
    properties.Colour("Color", colour, parser);
    control.SetColor(colour);
}

// "Size" and "Font" of a text control: a size above 0 loads the font (the
// default one when no file is given).
template <typename Control>
void ApplyTextFont(Control& control, const KesLayoutProperties& properties, KesLayoutLoad& load) {
    const int size = properties.Integer("Size");
    if (size > 0) {
        control.SetFont(load.Font(control.GetCaption(), size, properties.Value("Font")));
        control.SetSize(size);
    }
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

void ApplyStaticText(CKesBaseGUIElement& control, const KesLayoutProperties& properties,
                     const KesLayoutCommon& /*common*/, CKesBaseGUIContainer& parser, KesLayoutLoad& load) {
    CKesGUIStatic& label = static_cast<CKesGUIStatic&>(control);
    const std::string text = properties.Text("Text");
    if (!text.empty()) label.SetText(text);
    ApplyTextColour(label, properties, parser);
    label.SetSnapStyle(properties.Integer("Snap"));
    ApplyTextFont(label, properties, load);
    if (properties.Flag("Ishyperlink")) {
        label.SetIsHyperlink(true);
        CKesColor hover;
        if (properties.Colour("SelColor", hover, parser)) label.SetHLSelColor(hover);
        const std::string address = properties.Value("address");
        if (!address.empty()) label.SetHLAddress(address);
    }
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
    ApplyTextColour(box, properties, parser);
    box.SetMaxCount(properties.Integer("MaxCount"));
}

void ApplyVideoBox(CKesBaseGUIElement& control, const KesLayoutProperties& properties,
                   const KesLayoutCommon& /*common*/, CKesBaseGUIContainer& /*parser*/, KesLayoutLoad& /*load*/) {
    static_cast<CKesGUIVideo&>(control).LoadVideo(properties.Value("path"), properties.Flag("IsPlay"));
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

void ApplyMultiButton(CKesBaseGUIElement& control, const KesLayoutProperties& properties,
                      const KesLayoutCommon& /*common*/, CKesBaseGUIContainer& parser, KesLayoutLoad& /*load*/) {
    CKesGUIMultiButton& group = static_cast<CKesGUIMultiButton&>(control);
    group.SetDefSelectedItem(properties.Integer("DefaultSelected"));
    for (const std::string& image : properties.List("itemImages", parser)) group.AddButton(image);
}

void ApplyInfoScroller(CKesBaseGUIElement& control, const KesLayoutProperties& properties,
                       const KesLayoutCommon& /*common*/, CKesBaseGUIContainer& parser, KesLayoutLoad& load) {
    CKesGUIInfoScroller& ticker = static_cast<CKesGUIInfoScroller&>(control);
    const std::string text = properties.Text("Text");
    if (!text.empty()) ticker.SetText(text);
    ApplyTextColour(ticker, properties, parser);
    ticker.SetInfoScrType(static_cast<InfoScrType>(properties.Integer("ScrollType")));
    ApplyTextFont(ticker, properties, load);
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

void ApplyTextarea(CKesBaseGUIElement& control, const KesLayoutProperties& properties,
                   const KesLayoutCommon& /*common*/, CKesBaseGUIContainer& parser, KesLayoutLoad& load) {
    CKesGUITextarea& area = static_cast<CKesGUITextarea&>(control);
    if (!properties.Flag("IsUseScrollbar")) return;
    const int width = ChildScrollBarWidth(properties, load);
    if (width >= 0) area.SetScrollBarWidth(width);
    area.SetUseScrollBar(true);
    ApplyChildScrollBar(area.GetScrollBar(), area.GetDisplayLineCount(), properties, "BgColor", parser);
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
        {"Button", Make<&CKesBaseGUIContainer::AddButton>, SetElementTipText, ApplyButton},
        {"StaticText", Make<&CKesBaseGUIContainer::AddStaticText>, SetElementTipText, ApplyStaticText},
        {"EditorBox", Make<&CKesBaseGUIContainer::AddEditorBox>, SetEditorBoxTipText, ApplyEditorBox},
        {"VideoBox", Make<&CKesBaseGUIContainer::AddVideoBox>, nullptr, ApplyVideoBox},
        {"GameAnimator", Make<&CKesBaseGUIContainer::AddGameAnimator>, SetElementTipText, ApplyGameAnimator},
        {"GameClock", Make<&CKesBaseGUIContainer::AddGameClock>, SetElementTipText, ApplyGameClock},
        {"MultiButton", Make<&CKesBaseGUIContainer::AddMultiButton>, SetElementTipText, ApplyMultiButton},
        {"InfoScroller", Make<&CKesBaseGUIContainer::AddInfoScroller>, SetElementTipText, ApplyInfoScroller},
        {"ScrollBar", Make<&CKesBaseGUIContainer::AddScrollBar>, SetElementTipText, ApplyScrollBar},
        {"DragControl", Make<&CKesBaseGUIContainer::AddDragControl>, SetElementTipText, ApplyDragControl},
        {"ProcessBar", Make<&CKesBaseGUIContainer::AddProcessBar>, SetElementTipText, ApplyProcessBar},
        {"Textarea", Make<&CKesBaseGUIContainer::AddTextarea>, SetElementTipText, ApplyTextarea},
        {"ChatMessage", Make<&CKesBaseGUIContainer::AddChatMessage>, SetElementTipText, ApplyChatMessage},
        {"GameCard", Make<&CKesBaseGUIContainer::AddGameCard>, SetElementTipText, ApplyGameCard},
        {"Image", Make<&CKesBaseGUIContainer::AddImage>, SetElementTipText, ApplyImage},
        {"MoveAnim", Make<&CKesBaseGUIContainer::AddMoveAnimator>, SetElementTipText, ApplyMoveAnimator},
        {"MultiListBox", Make<&CKesBaseGUIContainer::AddMultiListBox>, SetElementTipText, ApplyMultiListBox},
        {"BiaoQingCtl", Make<&CKesBaseGUIContainer::AddBiaoQingCtrl>, SetElementTipText, ApplyBiaoQingCtl},
        {"ImageListBox", Make<&CKesBaseGUIContainer::AddImageListBox>, SetElementTipText, ApplyImageListBox},
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

}  // namespace kest2d
