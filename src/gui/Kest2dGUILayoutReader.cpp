// Reading layout files: parsing the document, making the controls it lists,
// and a container's own LoadGUIConfig.
#include <tinyxml.h>

#include "frame/Kest2dBaseFrame.h"
#include "gui/Kest2dGUIContainer.h"
#include "gui/Kest2dGUILayout.h"
#include "resource/Kest2dXmlDocument.h"

namespace kest2d {

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

bool KesLayoutRoot::Read(KesXmlDocument& document) {
    utf8 = document.IsUtf8();
    TiXmlElement* root = document.FirstChildElement("KestControl");
    if (!root || LayoutAttribute(root, "Type", utf8) != "Container") return false;
    element = root;
    name = LayoutTrimmed(LayoutAttribute(root, "Name", utf8));
    properties.Read(root, utf8);
    common.Read(properties);
    return true;
}

void KesLayoutRoot::LoadChildren(CKesBaseGUIContainer* parent, KesLayoutLoad& load) {
    if (!element) return;
    if (TiXmlElement* children = element->FirstChildElement("Childrens")) LoadControlsFromTheNode(parent, children, load);
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
    KesLayoutRoot root;
    if (!root.Read(document)) return true;

    KesLayoutLoad load(mDriver, fileName, root.utf8);
    const std::string& name = root.name;
    const KesLayoutProperties& properties = root.properties;
    const KesLayoutCommon& common = root.common;
    const bool moving = properties.Flag("Moving");
    const bool modal = properties.Flag("IsModal");
    const std::string background = properties.Value("background");

    SetID(common.id);
    // The parent's place comes from scripts: the sums are held inside int.
    const CKesPosition2d<int> start(common.startX, common.startY);
    const CKesDimension2d<int> size(common.width, common.height);
    if (mParent) {
        mRelativePos = CKesDimension2d<int>(common.startX, common.startY);
        mAbsoluteRect = CKesRect<int>(mParent->GetAbsoluteRect().UpperLeftCorner + start, size);
    } else {
        mAbsoluteRect = CKesRect<int>(start, size);
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

    root.LoadChildren(this, load);
    return true;
}

}  // namespace kest2d
