// Casts between the engine's class families: the GUI elements and the windows
// (the frame is a window and a container at once) and the fonts. Used by
// tolua.cast (Kest2dScriptBinding.cpp).
#pragma once

namespace kest2d {
namespace script {

enum class CastKind {
    Unchecked,  // neither side is a class of those families: `*result` is the address as it is
    Checked,    // the engine decides: `*result` is the object as the target type, or null
};

// `address` is the object as the bound type `sourceType` (null for a value
// whose type is unknown, such as a light user data); `targetType` is a
// registered type name ("const " allowed on either). A cast to or from a class
// of a family gives the object as the target class when its real class
// derives from it (with the address of that base inside the object), and
// null otherwise: a button never passes as a label, an element never as a
// rectangle, and the frame passes as its container at the container's own
// address.
CastKind CastEngineObject(void* address, const char* sourceType, const char* targetType, void** result);

}  // namespace script
}  // namespace kest2d
