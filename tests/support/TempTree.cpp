#include "support/TempTree.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace nebu::test {

namespace fs = std::filesystem;

TempTree::TempTree() {
    const char* tmp = std::getenv("TMPDIR");
    std::string base = (tmp && *tmp) ? tmp : "/tmp";
    std::string pattern = base + "/nebu-test-XXXXXX";
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    root_ = pattern;
}

TempTree::~TempTree() {
    RemoveTree(root_);
}

std::string TempTree::operator/(std::string_view relative) const {
    return root_ + "/" + std::string(relative);
}

std::string TempTree::Write(std::string_view relative, std::string_view content) const {
    std::string path = *this / relative;
    WriteFile(path, content);
    return path;
}

std::string TempTree::MakeDir(std::string_view relative) const {
    std::string path = *this / relative;
    MakeDirs(path);
    return path;
}

void WriteFile(const std::string& path, std::string_view content) {
    fs::path p(path);
    if (p.has_parent_path()) fs::create_directories(p.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot write " + path);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

bool Exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

void MakeDirs(const std::string& path) {
    fs::create_directories(path);
}

namespace {
// Folders made unreadable by a test must become removable again.
void MakeRemovable(const fs::path& dir) {
    ::chmod(dir.c_str(), 0700);
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec)) MakeRemovable(it->path());
    }
}
}  // namespace

void RemoveTree(const std::string& path) {
    std::error_code ec;
    if (fs::is_directory(fs::symlink_status(path, ec))) MakeRemovable(path);
    fs::remove_all(path, ec);
}

std::string RandomBytes(std::size_t size, std::uint32_t seed) {
    std::mt19937 gen(seed);
    std::string out(size, '\0');
    for (auto& c : out) c = static_cast<char>(gen() & 0xff);
    return out;
}

}  // namespace nebu::test
