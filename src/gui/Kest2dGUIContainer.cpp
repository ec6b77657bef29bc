#include "gui/Kest2dGUIContainer.h"

namespace kest2d {

CKesBaseGUIContainer::CKesBaseGUIContainer() {
    mCurrent = this;
    mBackground = 0;
    mMoving = true;
}

CKesBaseGUIContainer::CKesBaseGUIContainer(CKesBaseFrame* frame, CKesBaseGUIElement* parent, int id,
                                           const CKesRect<int>& rect)
    : CKesBaseGUIElement(KESGUI_CONTAINER, frame, parent, id, rect) {
    mCurrent = this;
    mBackground = 0;
    mMoving = true;
}

CKesBaseGUIContainer::~CKesBaseGUIContainer() { mParameters.clear(); }

bool CKesBaseGUIContainer::OnProcessEvent(const CKesEvent& event) {
    return CKesBaseGUIElement::OnProcessEvent(event);
}

int CKesBaseGUIContainer::ParseStringToParameter(const std::string& text, const std::string& separator) {
    mParameters.clear();
    if (separator.empty()) {
        if (!text.empty()) mParameters.push_back(text);
        return static_cast<int>(mParameters.size());
    }
    size_t start = 0;
    while (start <= text.size()) {
        size_t at = text.find(separator, start);
        std::string piece = text.substr(start, at == std::string::npos ? std::string::npos : at - start);
        if (!piece.empty()) mParameters.push_back(piece);
        if (at == std::string::npos) break;
        start = at + separator.size();
    }
    return static_cast<int>(mParameters.size());
}

bool CKesBaseGUIContainer::postEventFromUser(const CKesEvent& /*event*/) { return false; }

}  // namespace kest2d
