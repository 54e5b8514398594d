#pragma once

#include <cstdint>

namespace nebu {

// The two sides of a comparison.
enum class Side : std::uint8_t { Source, Target };

}  // namespace nebu
