// Writing layout files: a container saves itself as a file its loader reads
// back as it was.
#include <tinyxml.h>

#include "frame/Kest2dBaseFrame.h"
#include "gui/Kest2dGUIContainer.h"
#include "gui/Kest2dGUILayout.h"
#include "platform/KesFiles.h"

namespace kest2d {

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
