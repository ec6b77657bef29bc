// The frame's GUI services: containers loaded from layout files on demand.
#include <cstdio>

#include "frame/Kest2dBaseFrame.h"

namespace kest2d {

namespace {

CKesBaseGUIContainer* LoadedContainer(CKesBaseFrame* frame, int id, const char* file) {
    CKesBaseGUIContainer* c = frame->FindControlOfClass<CKesBaseGUIContainer>(id);
    if (c) return c;
    char name[64];
    std::snprintf(name, sizeof(name), "包容器%d", id);
    c = frame->AddContainer(id, name, CKesRect<int>(0, 0, 0, 0), frame, true);
    if (!c) return nullptr;
    c->LoadGUIConfig(file);
    // The file's own id does not survive.
    c->SetID(id);
    return c;
}

}  // namespace

void CKesBaseFrame::ShowGUIContainer(int id, const char* file, SnapStyle snap, bool show) {
    if (!file) return;
    CKesBaseGUIContainer* c = LoadedContainer(this, id, file);
    if (!c) return;
    if (snap == SANPSTYLE_CENTER) {
        const CKesRect<int>& frame = GetAbsoluteRect();
        const CKesDimension2d<int>& size = c->GetControlWidthAndHeight();
        c->Move(CKesPosition2d<int>(frame.getWidth() / 2 - size.Width / 2, frame.getHeight() / 2 - size.Height / 2));
    }
    ShowControlById(id, show);
}

void CKesBaseFrame::ShowGUIContainer(int id, const char* file, CKesPosition2d<int> position, bool show) {
    if (!file) return;
    CKesBaseGUIContainer* c = LoadedContainer(this, id, file);
    if (!c) return;
    c->Move(position);
    ShowControlById(id, show);
}

}  // namespace kest2d
