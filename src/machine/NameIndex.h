// Entries found by name: a table of them (open addressing, kept at most half
// full, each slot with its name's hash) that finds an entry by its name in
// about one probe, however many there are, with one allocation for the whole
// table rather than one a name. The names stay with the caller, read through
// `nameOf(entry)`, and must not change while the entry is in the table.
#pragma once

#include <algorithm>
#include <cstddef>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

namespace machine {

template <typename Entry>
class HashedNames {
public:
    // False, leaving the table as it was, when an entry of that name is in it.
    template <typename NameOf>
    bool Add(const Entry& entry, const NameOf& nameOf)
    {
        if (2 * (m_count + 1) > m_slots.size())
            Grow(2 * (m_count + 1));
        std::string_view name = nameOf(entry);
        std::size_t hash = HashOf(name);
        std::size_t slot = SlotOf(name, hash, nameOf);
        if (m_slots[slot].hash != kFree)
            return false;
        m_slots[slot] = {hash, entry};
        ++m_count;
        return true;
    }

    template <typename NameOf>
    const Entry* Find(std::string_view name, const NameOf& nameOf) const
    {
        if (m_slots.empty())
            return nullptr;
        const Slot& slot = m_slots[SlotOf(name, HashOf(name), nameOf)];
        return slot.hash == kFree ? nullptr : &slot.entry;
    }

    // The entry of that name, taken out of the table; none when no entry has that name.
    template <typename NameOf>
    std::optional<Entry> Remove(std::string_view name, const NameOf& nameOf)
    {
        if (m_slots.empty())
            return std::nullopt;
        std::size_t mask = m_slots.size() - 1;
        std::size_t hole = SlotOf(name, HashOf(name), nameOf);
        if (m_slots[hole].hash == kFree)
            return std::nullopt;
        Entry removed = m_slots[hole].entry;
        m_slots[hole].hash = kFree;
        --m_count;
        // The entries after it that would no longer be found past the hole move into it.
        for (std::size_t next = (hole + 1) & mask; m_slots[next].hash != kFree; next = (next + 1) & mask) {
            std::size_t home = m_slots[next].hash & mask;
            bool reachedPastHole = hole <= next ? (hole < home && home <= next) : (hole < home || home <= next);
            if (reachedPastHole)
                continue;
            m_slots[hole] = m_slots[next];
            m_slots[next].hash = kFree;
            hole = next;
        }
        return removed;
    }

    // Room for this many entries in all without the table growing.
    void Reserve(std::size_t count)
    {
        if (2 * count > m_slots.size())
            Grow(2 * count);
    }
    void Clear()
    {
        m_slots.clear();
        m_count = 0;
    }
    bool Empty() const { return m_count == 0; }

private:
    static constexpr std::size_t kFree = 0;  // no name's hash: HashOf never gives it
    struct Slot {
        std::size_t hash = kFree;
        Entry entry{};
    };

    static std::size_t HashOf(std::string_view name)
    {
        std::size_t hash = std::hash<std::string_view>{}(name);
        return hash == kFree ? 1 : hash;
    }

    // The slot holding that name, or the free one where it would go.
    template <typename NameOf>
    std::size_t SlotOf(std::string_view name, std::size_t hash, const NameOf& nameOf) const
    {
        std::size_t mask = m_slots.size() - 1;
        for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
            const Slot& at = m_slots[slot];
            if (at.hash == kFree || (at.hash == hash && nameOf(at.entry) == name))
                return slot;
        }
    }

    // A table of at least `slots` slots (a power of two), every entry placed anew.
    void Grow(std::size_t slots)
    {
        std::size_t size = std::max<std::size_t>(16, m_slots.size());
        while (size < slots)
            size *= 2;
        std::vector<Slot> old = std::move(m_slots);
        m_slots.assign(size, Slot{});
        std::size_t mask = size - 1;
        for (const Slot& entry : old) {
            if (entry.hash == kFree)
                continue;
            std::size_t slot = entry.hash & mask;
            while (m_slots[slot].hash != kFree)
                slot = (slot + 1) & mask;
            m_slots[slot] = entry;
        }
    }

    std::vector<Slot> m_slots;
    std::size_t m_count = 0;
};

// Values found by name through their indexes in the caller's list.
using NameIndex = HashedNames<std::size_t>;

}  // namespace machine
