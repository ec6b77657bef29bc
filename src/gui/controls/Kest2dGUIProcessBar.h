// The progress bar: a value against a maximum, drawn from four images (left
// cap, tiled background, right cap, tiled fill) or as two plain rectangles,
// with "value/maximum" written over it.
#pragma once

#include <string>

#include "frame/types/Kest2dColor.h"
#include "gui/Kest2dGUIElement.h"

namespace kest2d {

class CKesGUIProcessBar : public CKesBaseGUIElement {
public:
    CKesGUIProcessBar();
    CKesGUIProcessBar(CKesBaseFrame* frame, CKesBaseGUIElement* parent, int id, std::string name,
                      CKesRect<int> rect);
    ~CKesGUIProcessBar() override;

    // Every event goes on to the parent.
    bool OnProcessEvent(const CKesEvent& event) override;
    void Draw() override;
    void OnProcessLostFocusEvent(const CKesEvent& event) override;

    // The value is held at the maximum from above (there is no lower bound).
    void SetProcess(int value);
    int GetProcess() const { return mValue; }
    // The value is left as it is.
    void SetMaxValue(int maxValue);
    int GetMaxValue() const { return mMaxValue; }

    void SetText(std::string text) { mText = std::move(text); }
    std::string GetText() const { return mText; }
    void SetIsTip(bool tip) { mIsTip = tip; }
    bool IsTip() const { return mIsTip; }
    void SetBgColor(CKesColor colour) { mBgColor = colour; }
    CKesColor GetBgColor() const { return mBgColor; }
    void SetProcessColor(CKesColor colour) { mProcessColor = colour; }
    CKesColor GetProcessColor() const { return mProcessColor; }
    void SetProTipColor(CKesColor colour) { mTipColor = colour; }
    CKesColor GetProTipColor() const { return mTipColor; }

    // Left cap, background tile, right cap, fill tile.
    void SetBgImageOne(std::string path) { SetImage(0, std::move(path)); }
    void SetBgImageTwo(std::string path) { SetImage(1, std::move(path)); }
    void SetBgImageThree(std::string path) { SetImage(2, std::move(path)); }
    void SetBgImageFour(std::string path) { SetImage(3, std::move(path)); }
    std::string GetBgImageOne() const { return mImagePath[0]; }
    std::string GetBgImageTwo() const { return mImagePath[1]; }
    std::string GetBgImageThree() const { return mImagePath[2]; }
    std::string GetBgImageFour() const { return mImagePath[3]; }

private:
    void SetImage(int which, std::string path);
    void UpdateText();
    // The filled share of the bar, at most the whole bar.
    double Fraction() const;

    int mValue = 0;
    int mMaxValue = 0;
    bool mIsTip = true;
    std::string mText;
    CKesColor mBgColor = CKesColor(255, 0, 0, 0);
    CKesColor mProcessColor = CKesColor(255, 0, 255, 0);
    CKesColor mTipColor = CKesColor(255, 255, 255, 255);
    std::string mImagePath[4];
    unsigned long mImage[4] = {0, 0, 0, 0};
};

}  // namespace kest2d
