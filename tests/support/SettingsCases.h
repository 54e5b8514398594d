#pragma once
// Settings files made up at random (seeded), as a user or another program
// might have written them, and the text of the job a start makes, so that
// two front ends can be shown to start the same job from the same file.

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "support/TempTree.h"

namespace nebu {
class TNebu;
}

namespace nebu::test {

class SettingsCaseMaker {
  public:
    // Makes the folders the files may name inside `tree`.
    SettingsCaseMaker(const TempTree& tree, std::uint32_t seed);

    // Writes a new settings file to `path` (random keys, values, key order
    // and encoding: Shift-JIS, UTF-8 or UTF-8 with a byte-order mark) and
    // returns its text as UTF-8 for failure messages. Every directory it
    // names exists.
    std::string Write(const std::string& path);

    const std::vector<std::string>& Folders() const { return folders_; }
    std::mt19937& Random() { return random_; }
    const std::string& Pick(const std::vector<std::string>& from);
    bool Chance(int percent);

  private:
    std::vector<std::string> folders_;
    std::mt19937 random_;
};

// Every value a start copies into the job (directories in order, masks,
// size range, search attribute, deletion mode), one per line.
std::string JobText(const TNebu& job);

}  // namespace nebu::test
