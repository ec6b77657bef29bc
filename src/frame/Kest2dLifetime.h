// The engine objects that a script can reach by address, each known from its
// start to its end: GUI elements and fonts for their whole life, an event
// record or a message for the script call it is handed to. The script binding
// asks whether an address is such a live object before it hands it to Lua,
// and is told when one ends, so that nothing in Lua refers to it afterwards.
// UI thread only.
#pragma once

namespace kest2d {
namespace lifetime {

enum class Kind : unsigned char { Element, Font, EventRecord, Message };

// An object of `kind` starts at `object`. A record may be started again while
// it lives (a callback re-entered with the same record): it then ends with its
// last End.
void Begin(const void* object, Kind kind);

// The object at `object` ends; the observer hears of it before it is gone.
void End(const void* object);

bool IsLive(const void* object, Kind kind);

// A number that tells the object living at `object` as `kind` from every
// other object that has lived there (one freed and another made at the same
// address); 0 when none lives there as `kind`.
unsigned long Serial(const void* object, Kind kind);

// Told of every object that ends. One observer; null for none.
using EndObserver = void (*)(const void* object, Kind kind);
void SetEndObserver(EndObserver observer);

// A record handed to a script call, live for the scope.
class RecordScope {
public:
    RecordScope(const void* record, Kind kind) : mRecord(record) { Begin(record, kind); }
    ~RecordScope() { End(mRecord); }
    RecordScope(const RecordScope&) = delete;
    RecordScope& operator=(const RecordScope&) = delete;

private:
    const void* mRecord;
};

}  // namespace lifetime
}  // namespace kest2d
