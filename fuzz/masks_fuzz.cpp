// A mask field as typed and a file name, separated by the first NUL: the field
// is put in normal form and matched against the name. The matcher must agree
// with a plain exhaustive search and must not get slow with many "*".
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/Masks.h"
#include "platform/PathText.h"
#include "settings/MaskText.h"

namespace {

using nebu::platform::CharLength;
using nebu::platform::IsCharStart;

// Every way of placing the pattern, remembered by (pattern, text) position.
class ExhaustiveMatch {
  public:
    ExhaustiveMatch(std::string_view p, std::string_view t)
        : p_(p), t_(t), memo_((p.size() + 1) * (t.size() + 1), -1) {}
    bool At(std::size_t i, std::size_t j) {
        signed char& known = memo_[i * (t_.size() + 1) + j];
        if (known < 0) known = Compute(i, j) ? 1 : 0;
        return known == 1;
    }

  private:
    bool Compute(std::size_t i, std::size_t j) {
        if (i == p_.size()) return j == t_.size();
        if (p_[i] == '*') {
            for (std::size_t k = j;; k += CharLength(t_, k)) {
                if (At(i + 1, k)) return true;
                if (k == t_.size()) return false;
            }
        }
        if (p_[i] == '?') return j < t_.size() && At(i + 1, j + CharLength(t_, j));
        std::size_t end = p_.find_first_of("*?", i);
        if (end == std::string_view::npos) end = p_.size();
        const std::string_view run = p_.substr(i, end - i);
        if (t_.size() - j < run.size() || t_.compare(j, run.size(), run) != 0) return false;
        if (!IsCharStart(t_, j)) return false;
        const std::size_t after = j + run.size();
        if (after != t_.size() && !IsCharStart(t_, after)) return false;
        return At(end, after);
    }

    std::string_view p_;
    std::string_view t_;
    std::vector<signed char> memo_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    const std::string_view field = input.substr(0, split);
    const std::string_view name =
        split == std::string_view::npos ? std::string_view() : input.substr(split + 1);

    const std::string mask = nebu::NormalizeMask(field);
    // The normal form is a fixed point.
    if (nebu::NormalizeMask(mask) != mask) __builtin_trap();
    const bool listed = nebu::MatchMaskList(mask, name);
    if (nebu::MaskTakesEveryName(mask) && !name.empty() && !listed) __builtin_trap();

    const bool matched = nebu::MatchWildcard(field, name);
    if ((field.size() + 1) * (name.size() + 1) <= (1u << 20)) {
        ExhaustiveMatch reference(field, name);
        if (reference.At(0, 0) != matched) __builtin_trap();
    }
    return 0;
}
