// A GUI element that holds other elements and routes the user's input to them.
#pragma once

#include <string>
#include <vector>

#include "gui/Kest2dGUIElement.h"

namespace kest2d {

class CKesBaseGUIContainer : public CKesBaseGUIElement {
public:
    CKesBaseGUIContainer();
    CKesBaseGUIContainer(CKesBaseFrame* frame, CKesBaseGUIElement* parent, int id, const CKesRect<int>& rect);
    ~CKesBaseGUIContainer() override;

    bool OnProcessEvent(const CKesEvent& event) override;
    virtual void SetModal(bool modal) { mModal = modal; }
    virtual bool IsModal() { return mModal; }
    virtual bool LoadGUIConfig(const char* fileName);
    virtual void SaveGUIConfig(std::string fileName);

    // Splits `text` on `separator` into the parameter list; returns the count.
    int ParseStringToParameter(const std::string& text, const std::string& separator);
    std::vector<std::string>& GetParameters() { return mParameters; }

protected:
    virtual bool postEventFromUser(const CKesEvent& event);

    bool mModal = false;
    CKesBaseGUIElement* mCurrent = nullptr;
    CKesBaseGUIElement* mFocused = nullptr;
    CKesBaseGUIElement* mCaptured = nullptr;
    std::vector<std::string> mParameters;
    bool mDragging = false;
    int mDragOffsetX = 0;
    int mDragOffsetY = 0;
};

}  // namespace kest2d
