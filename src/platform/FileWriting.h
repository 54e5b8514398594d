#pragma once
#include <string_view>

namespace nebu::platform {

// Writes every byte (EINTR retried, short writes continued); false on error.
bool WriteAll(int fd, std::string_view bytes);

}  // namespace nebu::platform
