// The main window's layout file.
#include "frame/Kest2dBaseFrame.h"
#include "resource/Kest2dXmlDocument.h"
#include "gui/Kest2dGUILayout.h"

namespace kest2d {

bool CKesBaseFrame::LoadGUIConfig(const char* fileName) {
    if (!fileName || !GetDriver()) return false;
    mGUIConfigFile = fileName;
    // The tree is not drawn while it is rebuilt; a file that fails to parse
    // leaves it hidden.
    mGUILoaded = false;
    mCurrent = this;
    mFocused = nullptr;
    mCaptured = nullptr;

    KesXmlDocument document;
    if (!ReadLayoutDocument(this, fileName, document)) return false;

    DeleteAllControls();
    KesLayoutRoot root;
    if (!root.Read(document)) {
        mGUILoaded = true;
        return true;
    }

    KesLayoutLoad load(this, fileName, root.utf8);
    const KesLayoutProperties& properties = root.properties;
    const KesLayoutCommon& common = root.common;
    const bool isWindow = properties.Flag("IsWindow");
    const std::string background = properties.Value("background");

    const CKesRect<int> rect(common.startX, common.startY, common.startX + common.width,
                             common.startY + common.height);
    SetAbsoluteRect(rect);
    SetClippingRect(rect);
    SetVisible(common.visible);
    SetEnabled(common.enable);
    SetElementType(KESGUI_CONTAINER);
    mCaption = root.name;
    if (IsWindow()) SetWindowText(mCaption);
    ApplyLayoutScreen(common.width, common.height, isWindow);
    if (!background.empty()) mBackground = load.Texture(background);

    root.LoadChildren(this, load);
    mGUILoaded = true;
    return true;
}

void CKesBaseFrame::ApplyLayoutScreen(int width, int height, bool windowed) {
    // Only the first switch between window and full screen in a process
    // follows the layout; later layouts keep the mode the player chose.
    static int switches = 0;
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) {
        if (CKesLogger::admits(WARN))
            SystemLog(WARN, "GUI配置文件:" + mGUIConfigFile + "的窗口大小无效:" + std::to_string(width) + "x" +
                                std::to_string(height));
    } else if (width != mScreenWidth || height != mScreenHeight) {
        ChangeGameFrameSize(CKesDimension2d<int>(width, height));
    }
    if (windowed != mWindowed && switches == 0) {
        ++switches;
        SwitchScreenAndWindow();
    }
}

}  // namespace kest2d
