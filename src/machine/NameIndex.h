// Values found by name: a table of their indexes (open addressing, kept at
// most half full) that finds the first value of a name in time that does not
// grow with their number, with one allocation for the whole table rather than
// one a name. The names stay with the caller, read through `nameOf(index)`,
// and must not change while the table is used.
#pragma once

#include <algorithm>
#include <cstddef>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

namespace machine {

class NameIndex {
public:
    // False, leaving the table as it was, when a value of that name is in it.
    template <typename NameOf>
    bool Add(std::size_t index, const NameOf& nameOf)
    {
        if (2 * (m_count + 1) > m_slots.size())
            Grow(nameOf);
        std::size_t slot = SlotOf(nameOf(index), nameOf);
        if (m_slots[slot] != 0)
            return false;
        m_slots[slot] = index + 1;
        ++m_count;
        return true;
    }

    template <typename NameOf>
    std::optional<std::size_t> Find(std::string_view name, const NameOf& nameOf) const
    {
        if (m_slots.empty())
            return std::nullopt;
        std::size_t entry = m_slots[SlotOf(name, nameOf)];
        return entry == 0 ? std::nullopt : std::optional<std::size_t>(entry - 1);
    }

    bool Empty() const { return m_count == 0; }

private:
    // The slot holding that name, or the free one where it would go.
    template <typename NameOf>
    std::size_t SlotOf(std::string_view name, const NameOf& nameOf) const
    {
        std::size_t mask = m_slots.size() - 1;
        for (std::size_t slot = std::hash<std::string_view>{}(name) & mask;; slot = (slot + 1) & mask) {
            if (m_slots[slot] == 0 || nameOf(m_slots[slot] - 1) == name)
                return slot;
        }
    }

    template <typename NameOf>
    void Grow(const NameOf& nameOf)
    {
        std::vector<std::size_t> old = std::move(m_slots);
        m_slots.assign(std::max<std::size_t>(16, 2 * old.size()), 0);  // a power of two
        for (std::size_t entry : old) {
            if (entry != 0)
                m_slots[SlotOf(nameOf(entry - 1), nameOf)] = entry;
        }
    }

    std::vector<std::size_t> m_slots;  // 0 = free, else the value's index + 1
    std::size_t m_count = 0;
};

}  // namespace machine
