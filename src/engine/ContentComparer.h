#pragma once
// Whether two files hold the same bytes: read side by side, or looked up in
// the classes of the size group under way. Each pair found equal leaves the
// identities it saw for the check made before a duplicate is deleted.

#include <functional>
#include <string>
#include <vector>

#include "engine/ComparedIdentities.h"
#include "engine/ContentClasses.h"
#include "engine/RunFailures.h"
#include "platform/FolderHandles.h"

namespace nebu {

class ContentComparer {
  public:
    ContentComparer(RunFailures& failures, ComparedIdentities& identities);
    ContentComparer(const ContentComparer&) = delete;
    ContentComparer& operator=(const ContentComparer&) = delete;

    bool CompareContents(const std::string& path1, const std::string& path2);
    bool SameContents(const std::string& path1, const std::string& path2);

    void PrepareGroup(std::vector<std::string> paths, const ContentClasses::Heads* heads);
    void PrepareGroup(const std::vector<const std::string*>& paths,
                      const ContentClasses::Heads* heads);
    void AddToGroup(const std::string& path);
    void EndGroup();
    // Called at the end of every group, so that what was held for it can go.
    std::function<void()> OnGroupEnd;

    bool GroupActive() const { return groupActive_; }
    ContentClasses& Classes() { return classes_; }
    const ContentClasses& Classes() const { return classes_; }
    platform::FolderHandles& Folders() { return folders_; }

    // A file that is there but cannot be read takes no part in the
    // comparison, so the run must say so; one that is gone since the scan
    // is no failure. NoteUnreadable always gives false.
    bool NoteUnreadable(const std::string& path, int error);
    void NoteIfUnreadable(const std::string& path);

  private:
    void NoteUnclassified(const std::vector<const std::string*>& paths);

    RunFailures& failures_;
    ComparedIdentities& identities_;
    platform::FolderHandles folders_;
    ContentClasses classes_;
    bool groupActive_ = false;
};

}  // namespace nebu
