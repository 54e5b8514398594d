#pragma once
// Folders held open while their files are read. Reading thousands of files
// spread over a few hundred folders, the kernel would otherwise walk every
// file's whole path again; by name inside an open folder it looks up one
// component.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace nebu::platform {

class FolderHandles {
  public:
    FolderHandles();
    ~FolderHandles();
    FolderHandles(const FolderHandles&) = delete;
    FolderHandles& operator=(const FolderHandles&) = delete;

    // As OpenForReading(path), looked up inside the file's folder.
    int OpenForReading(const std::string& path);
    // Lets every folder go, at the end of a run.
    void Clear();
    // Told of every file that could not be opened, with errno.
    void OnOpenFailed(std::function<void(const std::string&, int)> report) {
        onOpenFailed_ = std::move(report);
    }

  private:
    int OpenInFolder(const std::string& path);
    std::function<void(const std::string&, int)> onOpenFailed_;
    // A quarter of the open files allowed: the rest of the run needs some too.
    std::size_t maxOpen_;
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const {
            return std::hash<std::string_view>()(text);
        }
    };
    std::unordered_map<std::string, int, Hash, std::equal_to<>> open_;
};

}  // namespace nebu::platform
