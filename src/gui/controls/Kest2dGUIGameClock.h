// The turn clock: a whole number drawn with digit pictures cut from one strip,
// over an optional background picture.
#pragma once

#include <string>

#include "gui/Kest2dGUIElement.h"

namespace kest2d {

enum ClockSnapType : int {
    CLOCK_SNAP_LEFT = 0,
    CLOCK_SNAP_CENTER = 1,
    CLOCK_SNAP_RIGHT = 2,
};

class CKesGUIGameClock : public CKesBaseGUIElement {
public:
    enum { kMaxDigits = 100 };

    CKesGUIGameClock();
    CKesGUIGameClock(CKesBaseFrame* frame, CKesBaseGUIElement* parent, int id, std::string name, CKesRect<int> rect);
    ~CKesGUIGameClock() override;

    // A clock takes no input.
    bool OnProcessEvent(const CKesEvent& /*event*/) override { return true; }
    void Draw() override;

    // The strip of the ten digits 0 to 9, side by side.
    void SetClockNumImg(unsigned long texture) { mClockNumImg = texture; }
    unsigned long GetClockNumImg() const { return mClockNumImg; }
    // The step from one digit's left edge to the next one's.
    void SetNumSpace(int space) { mNumSpace = space; }
    int GetNumSpace() const { return mNumSpace; }
    void SetSnapType(ClockSnapType snap) { mSnapType = snap; }
    ClockSnapType GetSnapType() const { return mSnapType; }
    // Stores the number and rebuilds its digits (a minus sign shows as 0).
    void SetClockNum(int number);
    int GetClockNum() const { return mClockNum; }

    int GetDigitCount() const { return mDigitCount; }
    int GetDigit(int index) const { return index >= 0 && index < mDigitCount ? mDigits[index] : -1; }

private:
    unsigned long mClockNumImg = 0;
    int mClockNum = 0;
    int mNumSpace = 0;
    ClockSnapType mSnapType = CLOCK_SNAP_CENTER;
    int mDigits[kMaxDigits] = {};
    int mDigitCount = 0;
};

}  // namespace kest2d
