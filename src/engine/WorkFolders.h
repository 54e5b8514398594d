#pragma once
// The two work folders of a run, into which archive entries are extracted.
// Each one made here stays locked while it exists and holds a mark naming
// the process, so that another run never takes it for a leftover.

#include <string>
#include <vector>

#include "platform/LockedFolders.h"

namespace nebu {

class WorkFolders {
  public:
    WorkFolders() = default;
    ~WorkFolders() { Release(); }
    WorkFolders(const WorkFolders&) = delete;
    WorkFolders& operator=(const WorkFolders&) = delete;

    // Work folder slots 0 and 1 (2 is never made), each ending in "/".
    std::string Paths[3];

    // Makes the folder of `slot` (0 or 1) in the system temporary folder,
    // under a fresh name; false with the errno in `error`.
    bool Create(int slot, int& error);
    // Removes the folders made here, with whatever they still hold.
    void Release();
    // Release, and the leftovers of runs that died: nothing of a live run,
    // nothing without the mark, nothing of another user.
    void RemoveAll();

  private:
    std::vector<platform::LockedFolder> held_;
};

}  // namespace nebu
