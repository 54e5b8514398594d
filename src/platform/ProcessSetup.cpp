#include "platform/ProcessSetup.h"

#include <sys/resource.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>

namespace nebu::platform {

void PrepareProcess() {
    // ":/etc/localtime" is the zone the library uses when TZ is unset; a zone
    // the user chose is left as it is.
    ::setenv("TZ", ":/etc/localtime", 0);
    ::tzset();

    // Modestly: programs started from here (an opened file's viewer) inherit
    // it, and some of them still use select().
    constexpr rlim_t kWanted = 4096;
    rlimit files{};
    if (::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < kWanted) {
        files.rlim_cur =
            files.rlim_max == RLIM_INFINITY ? kWanted : std::min(kWanted, files.rlim_max);
        ::setrlimit(RLIMIT_NOFILE, &files);
    }
}

}  // namespace nebu::platform
