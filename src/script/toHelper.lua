toHelper = {}

function toHelper.toKesEvent(e)
    return tolua.cast(e, "kest2d::CKesEvent")
end

function toHelper.toKesGUIImage(e)
    return tolua.cast(e, "kest2d::CKesGUIImage")
end

function toHelper.toKesMessageIn(e)
    return tolua.cast(e, "kest2d::CKesMessageIn")
end

function toHelper.toGUIProcessBar(e)
    return tolua.cast(e, "kest2d::CKesGUIProcessBar")
end

function toHelper.toKesGUIManager(e)
    return tolua.cast(e, "kest2d::CKesGUIManager")
end

function toHelper.toKesGUIVideoBox(e)
    return tolua.cast(e, "kest2d::CKesGUIVideo")
end

function toHelper.toKesGUIStatic(e)
    return tolua.cast(e, "kest2d::CKesGUIStatic")
end

function toHelper.toKesGUIGameAnimator(e)
    return tolua.cast(e, "kest2d::CKesGUIGameAnimator")
end

function toHelper.toKesGUIEditorBox(e)
    return tolua.cast(e, "kest2d::CKesGUIEditorBox")
end

function toHelper.toKesGUIDragControl(e)
    return tolua.cast(e, "kest2d::CKesGUIDragControl")
end

function toHelper.toKesGUIMultiListBox(e)
    return tolua.cast(e, "kest2d::CKesGUIMultiListBox")
end

function toHelper.toKesGUITextarea(e)
    return tolua.cast(e, "kest2d::CKesGUITextarea")
end

function toHelper.toKesGUIBiqoQing(e)
    return tolua.cast(e, "kest2d::CKesGUIBiqoQing")
end

function toHelper.toKesGUIImageListBox(e)
    return tolua.cast(e, "kest2d::CKesGUIImageListBox")
end

function toHelper.toKesBaseGUIElement(e)
    return tolua.cast(e, "kest2d::CKesBaseGUIElement")
end

function toHelper.toKesGUIMoveAnimator(e)
    return tolua.cast(e, "kest2d::CKesGUIMoveAnimator")
end

function toHelper.toKesVectorInt(e)
    return tolua.cast(e, "kest2d::CKesVector<int>")
end

function toHelper.toKesRectInt(e)
    return tolua.cast(e, "kest2d::CKesRect<int>")
end

function toHelper.toGUIChatMessage(e)
    return tolua.cast(e, "kest2d::CKesGUIChatMessage")
end

function toHelper.toKesGUIMultiButton(e)
    return tolua.cast(e, "kest2d::CKesGUIMultiButton")
end

function toHelper.toKesGUIGameCard(e)
    return tolua.cast(e, "kest2d::CKesGUIGameCard")
end

function toHelper.toKesGUIGameClock(e)
    return tolua.cast(e, "kest2d::CKesGUIGameClock")
end

function toHelper.toKesGUIInfoScroller(e)
    return tolua.cast(e, "kest2d::CKesGUIInfoScroller")
end
