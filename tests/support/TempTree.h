#pragma once
// Real fixtures in a fresh temporary folder, removed with the object.

#include <cstdint>
#include <string>
#include <string_view>

namespace nebu::test {

class TempTree {
  public:
    TempTree();
    ~TempTree();
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    // The folder itself, without a trailing "/".
    const std::string& Path() const { return root_; }
    // root + "/" + relative (relative may hold sub-folders).
    std::string operator/(std::string_view relative) const;
    // Writes a file, creating its folders; returns its full path.
    std::string Write(std::string_view relative, std::string_view content) const;
    std::string MakeDir(std::string_view relative) const;

  private:
    std::string root_;
};

void WriteFile(const std::string& path, std::string_view content);
std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);  // lstat succeeds
void MakeDirs(const std::string& path);
void RemoveTree(const std::string& path);
// Deterministic pseudo-random bytes.
std::string RandomBytes(std::size_t size, std::uint32_t seed);

}  // namespace nebu::test
