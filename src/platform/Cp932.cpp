#include "platform/Cp932.h"

#include <iconv.h>

#include <cerrno>

namespace nebu::platform {

namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// Opening a converter costs far more than converting one archive name, and
// names are converted thousands of times per run, so each thread keeps its
// two converters open.
class Converters {
  public:
    ~Converters() {
        if (toUtf8_ != kNoConverter) iconv_close(toUtf8_);
        if (toCp932_ != kNoConverter) iconv_close(toCp932_);
    }
    iconv_t ToUtf8() { return Get(toUtf8_, "UTF-8", "CP932"); }
    iconv_t ToCp932() { return Get(toCp932_, "CP932", "UTF-8"); }

  private:
    static iconv_t Get(iconv_t& slot, const char* to, const char* from) {
        if (slot == kNoConverter) slot = iconv_open(to, from);
        if (slot != kNoConverter) iconv(slot, nullptr, nullptr, nullptr, nullptr);
        return slot;
    }
    iconv_t toUtf8_ = kNoConverter;
    iconv_t toCp932_ = kNoConverter;
};

Converters& ThreadConverters() {
    thread_local Converters converters;
    return converters;
}

// Converts all of `in`; on a character the target lacks, `onMissing` decides:
// it returns false to give up, or appends a replacement and skips the input.
template <typename OnMissing>
bool Convert(iconv_t cd, std::string_view in, std::string& out, OnMissing onMissing) {
    if (cd == kNoConverter) return false;
    out.clear();
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char buffer[1024];
    while (srcLeft > 0) {
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buffer, sizeof buffer - dstLeft);
        if (rc != static_cast<size_t>(-1)) continue;
        if (errno == E2BIG) continue;
        if (!onMissing(src, srcLeft, out)) return false;
    }
    // Flush any shift state (none for these encodings, but cheap).
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    iconv(cd, nullptr, nullptr, &dst, &dstLeft);
    out.append(buffer, sizeof buffer - dstLeft);
    return true;
}

// Length of the UTF-8 sequence starting at `p`, 0 when it is not valid.
std::size_t Utf8SequenceLength(const unsigned char* p, std::size_t left) {
    unsigned char c = p[0];
    if (c < 0x80) return 1;
    std::size_t len;
    unsigned char lo = 0x80, hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        if (c == 0xE0) lo = 0xA0;  // overlong
        if (c == 0xED) hi = 0x9F;  // surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        if (c == 0xF0) lo = 0x90;  // overlong
        if (c == 0xF4) hi = 0x8F;  // beyond U+10FFFF
    } else {
        return 0;
    }
    if (left < len) return 0;
    if (p[1] < lo || p[1] > hi) return 0;
    for (std::size_t i = 2; i < len; ++i) {
        if (p[i] < 0x80 || p[i] > 0xBF) return 0;
    }
    return len;
}

}  // namespace

std::optional<std::string> Cp932ToUtf8(std::string_view cp932) {
    std::string out;
    if (!Convert(ThreadConverters().ToUtf8(), cp932, out,
                 [](char*&, size_t&, std::string&) { return false; })) {
        return std::nullopt;
    }
    return out;
}

std::optional<std::string> Utf8ToCp932(std::string_view utf8) {
    std::string out;
    if (!Convert(ThreadConverters().ToCp932(), utf8, out,
                 [](char*&, size_t&, std::string&) { return false; })) {
        return std::nullopt;
    }
    // Some characters (WAVE DASH, for one) convert one way only and would
    // come back as a different character: a path written that way is lost.
    for (unsigned char c : utf8) {
        if (c >= 0x80) {
            auto back = Cp932ToUtf8(out);
            if (!back || *back != utf8) return std::nullopt;
            break;
        }
    }
    return out;
}

std::string Utf8ToCp932Lossy(std::string_view utf8) {
    std::string out;
    bool ok = Convert(
        ThreadConverters().ToCp932(), utf8, out, [](char*& src, size_t& left, std::string& sink) {
            // Skip the whole character CP932 lacks (or one stray byte).
            std::size_t len = Utf8SequenceLength(reinterpret_cast<unsigned char*>(src), left);
            if (len == 0) len = 1;
            src += len;
            left -= len;
            sink.push_back('?');
            return true;
        });
    if (!ok) {
        // No converter at all: keep what ASCII can say.
        out.clear();
        for (unsigned char c : utf8) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    }
    return out;
}

bool IsValidUtf8(std::string_view text) {
    auto p = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t left = text.size();
    while (left > 0) {
        std::size_t len = Utf8SequenceLength(p, left);
        if (len == 0) return false;
        p += len;
        left -= len;
    }
    return true;
}

}  // namespace nebu::platform
