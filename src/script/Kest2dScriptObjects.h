// Objects that the binding makes for scripts and that need more than the
// generated collector: shared by the generated wrappers and the fix-up step.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>

#include "lua.h"
#include "net/Kest2dMessage.h"

namespace kest2d {
namespace script {

// A reader made by a script owns a copy of the bytes it reads: the Lua
// string it was built from may be collected while the reader lives.
class ScriptMessageIn : public CKesMessageIn {
public:
    ScriptMessageIn(const char* data, size_t size, lua_Number length) {
        size_t n = size;
        if (!(length >= 0)) {
            n = 0;
        } else if (length < static_cast<lua_Number>(size)) {
            n = static_cast<size_t>(length);
        }
        mBytes.reset(new char[n ? n : 1]);
        if (n) std::memcpy(mBytes.get(), data, n);
        static_cast<CKesMessageIn&>(*this) = CKesMessageIn(mBytes.get(), static_cast<int>(n));
    }

private:
    std::unique_ptr<char[]> mBytes;
};

// The collector of CKesMessageIn: only script-made readers are ever handed
// to Lua's collector.
inline int CollectScriptMessageIn(lua_State* L) {
    void** box = static_cast<void**>(lua_touserdata(L, 1));
    if (box) delete static_cast<ScriptMessageIn*>(static_cast<CKesMessageIn*>(*box));
    return 0;
}

}  // namespace script
}  // namespace kest2d
