// An entry of the host disk held open through the descriptor (Windows: the
// handle) of its parent directory, never through a link, and what it was
// proven to be on what was opened. The walks and removals of HostFolder.h
// stand on it.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "machine/HostFolder.h"

namespace machine::host {

using NativeName = std::filesystem::path::string_type;

// A name a directory lists, and whether the listing itself shows a link there.
struct Listed {
    NativeName name;
    bool linkByName = false;
};

// What an entry is opened for: looked at, read, or removed or moved.
enum class Purpose { kList, kRead, kRemove };

class HeldEntry {
public:
    HeldEntry() = default;
    ~HeldEntry();
    HeldEntry(const HeldEntry&) = delete;
    HeldEntry& operator=(const HeldEntry&) = delete;
    HeldEntry(HeldEntry&& other) noexcept;
    HeldEntry& operator=(HeldEntry&& other) noexcept;

    // The directory a path names, a link there followed: it is the one asked for.
    static bool OpenFollowing(const std::filesystem::path& folder, HeldEntry& opened, std::string& problem);
    // The entry this directory lists under `listed`, opened without following
    // a link. Its kind is a link wherever the system shows one, by the handle
    // or by the name, or the handle leads anywhere else than the name does.
    bool OpenChild(const Listed& listed, Purpose purpose, const std::filesystem::path& path, HeldEntry& child,
                   std::string& problem) const;
    EntryKind Kind() const { return m_kind; }
    bool Names(std::vector<Listed>& names, const std::filesystem::path& path, std::string& problem) const;
    bool ReadAll(std::string& bytes, const std::filesystem::path& path, std::string& problem) const;
    // Removes the entry `name` of this directory, held as `child` (opened for
    // removal), and lets go of it.
    bool Remove(const NativeName& name, HeldEntry& child, const std::filesystem::path& path,
                std::string& problem) const;
    // Moves the entry `name` of this directory, held as `child` (opened for
    // removal), to `target`, a full path that must not exist.
    bool MoveChild(const NativeName& name, HeldEntry& child, const std::filesystem::path& target,
                   const std::filesystem::path& path, std::string& problem) const;

private:
    void Close();
#ifdef _WIN32
    // Holds `handle` from now on, with the name it leads to; the entry's
    // attributes in `attributes`.
    bool Take(void* handle, const std::filesystem::path& path, unsigned long& attributes, std::string& problem);
    void* m_handle = nullptr;
    std::wstring m_name;  // the name the handle itself leads to, on its volume
#else
    int m_descriptor = -1;
#endif
    EntryKind m_kind = EntryKind::kMissing;
};

}  // namespace machine::host
