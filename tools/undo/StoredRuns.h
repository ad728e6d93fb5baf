// The runs an undo may put back: the undo files of the store (UndoStore.h),
// each read through a handle checked for who else may change it, and what
// the run may have changed, from the repair's own names.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "log/UndoFileReader.h"
#include "platform/Owned.h"

namespace undo {

// A run's undo file in a store.
struct StoredRun {
    std::string path;
    unsigned long sequence = 0;  // the run's place in the order of runs (0: none in its name)
    int attempt = 1;             // "-2", "-3" of a name taken
};

// Something not read, and why: for the log and the final box.
struct Refusal {
    std::string path;
    std::string why;
};

// The stores, their folders held open (checked) while the undo runs, so
// none can be swapped for another meanwhile.
class Stores {
public:
    // Opens and checks each store and the folder above it; a store that
    // does not exist holds no run, one that others may change is refused.
    void Open(const std::vector<std::string>& storeFolders, std::vector<Refusal>& refused);
    // The runs of the open stores not yet undone, the latest first.
    std::vector<StoredRun> Runs() const;
    std::vector<std::string> Folders() const { return m_folders; }

private:
    std::vector<std::string> m_folders;
    std::deque<KernelHandle> m_handles;  // a deque: its elements never move
};

// The store folders an undo reads: under the common application data
// folder and under the Windows folder, each once.
std::vector<std::string> StoreFolders();
// Undo files in `folders` (not read, only named).
std::vector<std::string> UndoFilesIn(const std::vector<std::string>& folders);

// A file of a store, opened checked and read through that handle, up to `most` bytes.
bool ReadChecked(const std::string& path, std::size_t most, std::string& bytes, std::string& problem);

// The last part of a path: a file's name.
std::string FileName(const std::string& path);

// A marker beside an undo file says its run is undone.
std::string UndoneMarker(const std::string& undoPath);

// What a run may change, from the repair's own names.
ChangeablePlaces RunChangeablePlaces();

}  // namespace undo
