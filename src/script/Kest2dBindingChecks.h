// The binding's checks of argument values, beyond the kind checks that every
// wrapper makes: included by Kest2dBindingHooks.h.
#pragma once

#include <cmath>
#include <cstdint>
#include <type_traits>

#include "tolua++.h"

#include "frame/Kest2dLogger.h"
#include "frame/types/Kest2dDimension2d.h"
#include "frame/types/Kest2dHeld.h"
#include "gui/Kest2dGUIContainer.h"
#include "gui/Kest2dGUIElement.h"
#include "gui/controls/Kest2dCardRules.h"
#include "gui/controls/Kest2dGUIControl.h"
#include "gui/controls/Kest2dGUIGameCard.h"
#include "gui/controls/Kest2dGUIGameClock.h"
#include "gui/controls/Kest2dGUIInfoScroller.h"
#include "gui/controls/Kest2dGUIMultiButton.h"
#include "net/Kest2dSocketClient.h"

namespace kest2d {
namespace script {

// The constants of each enumeration that a bound function takes, first to
// last (all of them are consecutive), and for an enumeration whose engine
// members read any other number as "none", that constant. An enumeration
// argument is given to ToEnum by the generated wrappers (generator.lua); one
// without a range here does not compile.
template <class E>
struct EnumRange;

#define KES_ENUM_RANGE(E, FIRST, LAST, HAS_NONE, NONE)  \
    template <>                                         \
    struct EnumRange<E> {                               \
        static constexpr E first = FIRST, last = LAST;  \
        static constexpr bool hasNone = HAS_NONE;       \
        static constexpr E none = NONE;                 \
    };
#define KES_ENUM(E, FIRST, LAST) KES_ENUM_RANGE(E, FIRST, LAST, false, FIRST)
KES_ENUM(Level, FATAL, DEBUGG)
KES_ENUM(ConnectState, NOCONNECT, MESPROCESS)
KES_ENUM(SnapStyle, SNAPSTYLE_LEFT, SNAPSTYLE_NULL)
KES_ENUM(KESGUI_ELEMENT_TYPE, KESGUI_CONTAINER, KESGUI_COUNT)
KES_ENUM(ButtonState, STATE_NORMAL, STATE_NULL)
KES_ENUM(CKesGUIGameCard::CardDir, CKesGUIGameCard::CARDDIR_HENGXIANG, CKesGUIGameCard::CARDDIR_ZONGXIANG)
KES_ENUM(CKesGUIGameCard::CardSnapType, CKesGUIGameCard::CARD_SNAP_LEFT, CKesGUIGameCard::CARD_SNAP_RIGHT)
KES_ENUM_RANGE(CardOutType, OUTTYPE_SINGLE, OUTTYPE_NULL, true, OUTTYPE_NULL)
KES_ENUM(ClockSnapType, CLOCK_SNAP_LEFT, CLOCK_SNAP_RIGHT)
KES_ENUM(InfoScrType, SCRTYPE_LEFT_TO_RIGHT, SCRTYPE_RIGHT_TO_LEFT)
KES_ENUM(DirectionType, DIR_HORIZONTAL, DIR_VERTICAL)
#undef KES_ENUM
#undef KES_ENUM_RANGE

// Argument `narg` as an enumeration value: the number's whole part must be
// one of the constants. Any other number is "none" where the enumeration has
// it, and otherwise a Lua error naming the function: the engine never holds
// a value that its enumeration does not have.
template <class E>
std::remove_cv_t<E> ToEnum(lua_State* L, int narg, lua_Number def, const char* typeName) {
    using Range = EnumRange<std::remove_cv_t<E>>;
    const lua_Number n = std::trunc(tolua_tonumber(L, narg, def));
    if (n >= static_cast<lua_Number>(Range::first) && n <= static_cast<lua_Number>(Range::last))
        return static_cast<std::remove_cv_t<E>>(static_cast<int>(n));
    if constexpr (Range::hasNone) {
        return Range::none;
    } else {
        lua_pushfstring(L, "%s from %d to %d expected, got %s", typeName, static_cast<int>(Range::first),
                        static_cast<int>(Range::last), lua_tostring(L, narg) ? lua_tostring(L, narg) : "nothing");
        luaL_argerror(L, narg, lua_tostring(L, -1));
        return Range::first;
    }
}

// A Lua number as an unsigned 32-bit value: whole part, modulo 2^32 (NaN and
// infinities give 0), without the undefined cast of a negative double.
inline uint32_t ToUint32(lua_Number n) {
    if (!std::isfinite(n)) return 0;
    const double whole = std::trunc(static_cast<double>(n));
    double m = std::fmod(whole, 4294967296.0);
    if (m < 0) m += 4294967296.0;
    return static_cast<uint32_t>(m);
}

// A Lua number as the integer type that a bound function or variable takes
// (generator.lua routes every generated conversion here, as a plain cast is
// undefined for a number the type cannot hold): the whole part, NaN as 0. An
// int is held at its ends (Kest2dHeld.h); an unsigned or character type
// keeps the low bits, modulo 2^32 (-1 is 0xFFFFFFFF, 2^32 + 12 is 12).
template <class T>
T ToInteger(lua_Number n) {
    static_assert(std::is_integral_v<T> && !std::is_const_v<T>, "an integer type");
    if constexpr (std::is_same_v<T, int>) {
        if (std::isnan(n)) return 0;
        return Held(static_cast<long long>(std::fmax(std::fmin(n, 4294967296.0), -4294967296.0)));
    } else {
        return static_cast<T>(ToUint32(n));
    }
}

// size / n of an integer size: a Lua error for 0, as the engine never
// divides by it.
inline int DivideSize(lua_State* L) {
    tolua_Error err;
    if (!tolua_isusertype(L, 1, "const kest2d::CKesDimension2d<int>", 0, &err) || !tolua_isnumber(L, 2, 0, &err) ||
        !tolua_isnoobj(L, 3, &err)) {
        tolua_error(L, "#ferror in function '.div'.", &err);
        return 0;
    }
    const auto* self = static_cast<const CKesDimension2d<int>*>(tolua_tousertype(L, 1, 0));
    // Beyond int, a divisor leaves at most a quotient of 0; NaN is no divisor.
    const int scale = ToInteger<int>(tolua_tonumber(L, 2, 0));
    if (!self) tolua_error(L, "invalid 'self' in function 'operator/'", nullptr);
    if (scale == 0) return luaL_error(L, "division of a size by 0 in function '.div'");
    tolua_pushusertype(L, new CKesDimension2d<int>(*self / scale), "kest2d::CKesDimension2d<int>");
    tolua_register_gc(L, lua_gettop(L));
    tolua_pushnumber(L, static_cast<lua_Number>(scale));
    return 2;
}

}  // namespace script
}  // namespace kest2d

#define TOLUA_DISABLE_tolua_package_kest2d_CKesDimension2d_int___div00
static int tolua_package_kest2d_CKesDimension2d_int___div00(lua_State* L) {
    return ::kest2d::script::DivideSize(L);
}
