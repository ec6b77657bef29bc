// The engine's growable array. The index is checked in every build: scripts
// reach these arrays, and a bad index must never touch memory.
#pragma once

#include <algorithm>
#include <vector>

#include "frame/types/Kest2dAssert.h"

namespace kest2d {

template <class T>
class CKesVector {
public:
    CKesVector() = default;
    ~CKesVector() = default;

    void push_back(const T& value) { m_items.push_back(value); }
    void clear() { std::vector<T>().swap(m_items); }
    bool empty() const { return m_items.empty(); }
    int size() const { return static_cast<int>(m_items.size()); }
    void sort() { std::sort(m_items.begin(), m_items.end()); }

    T& operator[](int index) {
        KES_ASSERT(index >= 0, "Kest2dVector");
        KES_ASSERT(index < size(), "Kest2dVector");
        return m_items[static_cast<size_t>(index)];
    }
    const T& operator[](int index) const {
        KES_ASSERT(index >= 0, "Kest2dVector");
        KES_ASSERT(index < size(), "Kest2dVector");
        return m_items[static_cast<size_t>(index)];
    }

    // Engine-side access to the storage.
    std::vector<T>& items() { return m_items; }
    const std::vector<T>& items() const { return m_items; }

private:
    std::vector<T> m_items;
};

}  // namespace kest2d
