// The radio group: image buttons of which exactly one is selected, laid out
// in equal cells across the group.
#pragma once

#include <string>
#include <vector>

#include "gui/Kest2dGUIElement.h"

namespace kest2d {

class CKesGUIButton;

enum DirectionType : int {
    DIR_HORIZONTAL = 0,
    DIR_VERTICAL = 1,
};

class CKesGUIMultiButton : public CKesBaseGUIElement {
public:
    CKesGUIMultiButton();
    CKesGUIMultiButton(CKesBaseFrame* frame, CKesBaseGUIElement* parent, int id, std::string name,
                       CKesRect<int> rect);
    // The buttons are children: the element's destructor deletes them.
    ~CKesGUIMultiButton() override;

    bool OnProcessEvent(const CKesEvent& event) override;
    void Draw() override;

    // Appends a toggle button showing the image strip at `imagePath` and lays
    // out all buttons again.
    void AddButton(std::string imagePath);
    // Sets the default and the current selected item (no button changes).
    void SetDefSelectedItem(int item) {
        mDefSelectedItem = item;
        mCurSelectedItem = item;
    }
    int GetDefSelectedItem() const { return mDefSelectedItem; }
    int GetCurSelectedItem() const { return mCurSelectedItem; }
    // Takes effect at the next AddButton.
    void SetDirection(DirectionType direction) { mDirection = direction; }
    DirectionType GetDirection() const { return mDirection; }

    // The group's buttons (without any that was deleted from outside).
    const std::vector<CKesGUIButton*>& GetButtons() {
        DropDeletedButtons();
        return mButtons;
    }

private:
    // Selects `button` and releases every other one.
    void SelectButton(CKesGUIButton* button);
    // Places the buttons centred in equal cells.
    void GetButtonsDisPos();
    // Forgets buttons that a script deleted directly.
    void DropDeletedButtons();

    std::vector<CKesGUIButton*> mButtons;
    std::vector<CKesGUIElementRef> mButtonRefs;  // turn null with their button
    DirectionType mDirection = DIR_HORIZONTAL;
    int mDefSelectedItem = 0;
    int mCurSelectedItem = 0;
};

}  // namespace kest2d
