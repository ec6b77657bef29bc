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
#include "script/Kest2dScriptArguments.h"
#include "script/Kest2dScriptLifetime.h"

namespace kest2d {
namespace script {

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

// An enumeration argument (the generated wrappers hand every one to ToEnum,
// generator.lua) is a number made an int as every int argument is, and
// passed on as it is: each enumeration that a bound function takes holds any
// int (it is declared `: int`), and the engine's members act on a number
// that is none of its constants as they do on their own (a button state
// other than 0-3 draws no picture, a snap other than centre keeps the
// position, an element type is a kind the game may choose, a log level above
// the threshold is dropped). An enumeration gets a lowest value here only
// where a number below it has no meaning and would reach outside a table.
template <class E>
struct EnumLowest {
    static constexpr bool bounded = false;
    static constexpr int lowest = 0;
};
// A level below FATAL names no tag: the tags are a table by level (the
// logger takes the nearest tag for the engine's own callers).
template <>
struct EnumLowest<Level> {
    static constexpr bool bounded = true;
    static constexpr int lowest = FATAL;
};

// Argument `narg` as an enumeration value: its whole part, held inside int
// (ToInteger). A number below the enumeration's lowest value is a Lua error
// naming the function.
template <class E>
std::remove_cv_t<E> ToEnum(lua_State* L, int narg, lua_Number def, const char* typeName) {
    using T = std::remove_cv_t<E>;
    static_assert(std::is_same_v<std::underlying_type_t<T>, int>, "an enumeration declared ': int'");
    const int n = ToInteger<int>(tolua_tonumber(L, narg, def));
    if constexpr (EnumLowest<T>::bounded) {
        if (n < EnumLowest<T>::lowest) {
            lua_pushfstring(L, "%s of %d or more expected, got %s", typeName, EnumLowest<T>::lowest,
                            lua_tostring(L, narg) ? lua_tostring(L, narg) : "nothing");
            luaL_argerror(L, narg, lua_tostring(L, -1));
        }
    }
    return static_cast<T>(n);
}

// size / n of an integer size: a Lua error for 0, as the engine never
// divides by it.
inline int DivideSize(lua_State* L) {
    SettleArguments(L);
    tolua_Error err;
    if (!IsUserType(L, 1, "const kest2d::CKesDimension2d<int>", 0, &err) || !tolua_isnumber(L, 2, 0, &err) ||
        !tolua_isnoobj(L, 3, &err)) {
        tolua_error(L, "#ferror in function '.div'.", &err);
        return 0;
    }
    const auto* self = static_cast<const CKesDimension2d<int>*>(ToUserType(L, 1, nullptr));
    // Beyond int, a divisor leaves at most a quotient of 0; NaN is no divisor.
    const int scale = ToInteger<int>(tolua_tonumber(L, 2, 0));
    if (!self) tolua_error(L, "invalid 'self' in function 'operator/'", nullptr);
    if (scale == 0) return luaL_error(L, "division of a size by 0 in function '.div'");
    // (Included before Kest2dBindingHooks.h routes the runtime's pushes: the
    // binding's own are called by name.)
    PushResult(L, Made(L, new CKesDimension2d<int>(*self / scale)), "kest2d::CKesDimension2d<int>");
    CollectedFromNow(L, lua_gettop(L));
    tolua_pushnumber(L, static_cast<lua_Number>(scale));
    return 2;
}

}  // namespace script
}  // namespace kest2d

#define TOLUA_DISABLE_tolua_package_kest2d_CKesDimension2d_int___div00
static int tolua_package_kest2d_CKesDimension2d_int___div00(lua_State* L) {
    return ::kest2d::script::DivideSize(L);
}
