#include "engine/DirList.h"

namespace nebu {

void TDirList::Add(const std::string& name) {
    names_.push_back(name);
}

bool TDirList::First(std::string& name) {
    cur_ = 0;
    return Next(name);
}

bool TDirList::Next(std::string& name) {
    if (cur_ >= names_.size()) return false;
    name = names_[names_.size() - 1 - cur_];
    ++cur_;
    return true;
}

void TDirList::Clear() {
    names_.clear();
    cur_ = 0;
}

}  // namespace nebu
