// The path animator: moves a picture along a cubic Bezier curve of four
// control points and tells its parent when the picture has arrived. In edit
// mode it draws the curve and its control points, which the mouse can drag.
#pragma once

#include <string>

#include "gui/Kest2dGUIElement.h"
#include "gui/controls/Kest2dGUIControl.h"

namespace kest2d {

class CKesGUIImage;

enum : int {
    IDD_BERNSTEIN_COUNT = 1000,   // positions along the curve
    IDD_CONTROL_POINT_COUNT = 4,  // point 3 is the start, point 0 the end
    IDD_CONTROL_RECT_WIDTH = 5,   // a handle reaches this far out from its point
};

class CKesGUIMoveAnimator : public CKesBaseGUIElement {
public:
    CKesGUIMoveAnimator();
    CKesGUIMoveAnimator(CKesBaseFrame* frame, CKesBaseGUIElement* parent, int id, std::string name,
                        CKesRect<int> rect);
    ~CKesGUIMoveAnimator() override;

    bool OnProcessEvent(const CKesEvent& event) override;
    void Draw() override;
    void OnProcessLostFocusEvent(const CKesEvent& event) override;

    // Points are relative to the control's upper-left corner. Setting one
    // does not recompute the curve (GetBernstern does).
    void SetControlPoint(CKesPosition2d<int> point, int index);
    CKesPosition2d<int> GetControlPoint(int index) const;
    void SetStartPosition(CKesPosition2d<int> point);
    CKesPosition2d<int> GetStartPosition() const { return mControlPoints[3]; }
    void SetEndPosition(CKesPosition2d<int> point);
    CKesPosition2d<int> GetEndPosition() const { return mControlPoints[0]; }
    // Recomputes the positions from the control points.
    void GetBernstern();
    // The absolute screen position `index` (0 .. 999) of the curve.
    CKesPosition2d<int> GetCurvePosition(int index) const;

    // Makes the moving picture (once) from a path or address, sized as the
    // control's background texture.
    void LoadAnimImage(std::string path);
    // The moving picture (a child of this control), null before LoadAnimImage.
    CKesGUIImage* GetAnimImage() const;

    void Play() { mPlaying = true; }
    void Pause() { mPlaying = false; }
    void Stop();
    void Restart();
    bool IsPlaying() const { return mPlaying; }
    bool isPlaying() const { return mPlaying; }  // the name scripts know
    void SetSpeed(float speed) { mSpeed = speed; }
    float GetSpeed() const { return mSpeed; }
    void SetPlayFrame(int index);
    int GetCurPlayFrame() const { return mIndex; }
    void setIsEdit(bool edit) { mEdit = edit; }
    bool isEdit() const { return mEdit; }
    int GetSelectedPoint() const { return mSelected; }

private:
    static CKesPosition2d<int> Bernstein(float t, const CKesPosition2d<int>* points);
    void GetBernsternByControlPoint();
    CKesRect<int> HandleAround(const CKesPosition2d<int>& absolute) const;
    CKesPosition2d<int> ImageCorner(const CKesPosition2d<int>& at) const;
    // Advances the picture; false when the control was deleted by its parent.
    bool UpdateAnimator();

    CKesPosition2d<int> mPositions[IDD_BERNSTEIN_COUNT];
    CKesPosition2d<int> mControlPoints[IDD_CONTROL_POINT_COUNT];
    CKesRect<int> mControlRects[IDD_CONTROL_POINT_COUNT];
    CKesGUIElementRef mImage;  // null again when the picture is deleted
    int mImageWidth = 0;
    int mImageHeight = 0;
    int mIndex = 0;
    bool mPlaying = false;
    float mSpeed = 0.0f;
    int mSelected = -1;
    bool mEdit = false;
};

}  // namespace kest2d
