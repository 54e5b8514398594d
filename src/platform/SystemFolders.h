#pragma once
#include <string>

namespace nebu::platform {

// $TMPDIR when set and non-empty, else "/tmp"; always ends in "/".
std::string SystemTempFolder();

}  // namespace nebu::platform
