// Layout files from arbitrary bytes: parsing, property values and control
// creation must never crash.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <list>
#include <string>

#include <tinyxml.h>

#include "resource/Kest2dXmlDocument.h"
#include "gui/Kest2dGUIContainer.h"
#include "gui/Kest2dGUILayout.h"

namespace {

using namespace kest2d;

CKesBaseGUIElement* MakeElement(CKesBaseGUIContainer& container, int id, const std::string&, const CKesRect<int>& rect,
                                CKesBaseGUIElement* parent) {
    auto* e = new CKesBaseGUIElement(KESGUI_COUNT, container.GetDriver(), parent, id, rect);
    std::list<CKesBaseGUIElement*>& children = parent->GetChildrens();
    if (std::find(children.begin(), children.end(), e) == children.end()) parent->AddChildren(e);
    return e;
}

void ApplyElement(CKesBaseGUIElement&, const KesLayoutProperties& p, const KesLayoutCommon&,
                  CKesBaseGUIContainer& parser, KesLayoutLoad&) {
    CKesColor colour;
    CKesDimension2d<int> pair;
    p.Colour("Color", colour, parser);
    p.Pair("Pair", pair, parser);
    p.List("Items", parser);
    p.Text("Text");
    p.Decimal("Speed");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool registered = [] {
        RegisterLayoutControlType({"Fuzz", MakeElement, nullptr, ApplyElement});
        return true;
    }();
    (void)registered;
    KesXmlDocument document;
    if (!document.LoadFromMemory(reinterpret_cast<const char*>(data), static_cast<unsigned long>(size))) return 0;
    TiXmlElement* root = document.FirstChildElement("KestControl");
    if (!root) return 0;
    KesLayoutProperties properties;
    properties.Read(root, document.IsUtf8());
    KesLayoutCommon common;
    common.Read(properties);
    LayoutTrimmed(LayoutAttribute(root, "Name", document.IsUtf8()));
    CKesBaseGUIContainer container(nullptr, nullptr, 0, CKesRect<int>(0, 0, 10, 10));
    KesLayoutLoad load(nullptr, "fuzz.xml", document.IsUtf8());
    if (TiXmlElement* children = root->FirstChildElement("Childrens"))
        LoadControlsFromTheNode(&container, children, load);
    return 0;
}
