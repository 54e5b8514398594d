#include "platform/SystemFolders.h"

#include <cstdlib>

#include "platform/PathText.h"

namespace nebu::platform {

std::string SystemTempFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = (tmp != nullptr && *tmp != '\0') ? tmp : "/tmp";
    return WithTrailingSeparator(folder);
}

}  // namespace nebu::platform
