#include "foundation/utf.h"

#include <stdexcept>

namespace skyloom {
namespace {

constexpr char32_t kMaxCodePoint = 0x10FFFF;

bool lf_isHighSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool lf_isLowSurrogate(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// The bounds the second byte of a sequence must keep; they rule out overlong forms, encoded
// surrogates and values above U+10FFFF at the earliest byte that can tell.
struct LeadInfo {
    int length = 0; // 0: the byte starts no sequence
    unsigned char secondLow = 0x80;
    unsigned char secondHigh = 0xBF;
};

LeadInfo lf_leadInfo(unsigned char lead) {
    if (lead < 0x80) {
        return {1};
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return {2};
    }
    if (lead == 0xE0) {
        return {3, 0xA0, 0xBF};
    }
    if (lead == 0xED) {
        return {3, 0x80, 0x9F};
    }
    if (lead >= 0xE1 && lead <= 0xEF) {
        return {3};
    }
    if (lead == 0xF0) {
        return {4, 0x90, 0xBF};
    }
    if (lead >= 0xF1 && lead <= 0xF3) {
        return {4};
    }
    if (lead == 0xF4) {
        return {4, 0x80, 0x8F};
    }
    return {0};
}

char32_t lf_decodeWellFormed(std::string_view text, int length) {
    const auto byte = [&](int i) { return static_cast<unsigned char>(text[i]); };
    switch (length) {
    case 1:
        return byte(0);
    case 2:
        return (char32_t(byte(0) & 0x1F) << 6) | (byte(1) & 0x3F);
    case 3:
        return (char32_t(byte(0) & 0x0F) << 12) | (char32_t(byte(1) & 0x3F) << 6) |
               (byte(2) & 0x3F);
    default:
        return (char32_t(byte(0) & 0x07) << 18) | (char32_t(byte(1) & 0x3F) << 12) |
               (char32_t(byte(2) & 0x3F) << 6) | (byte(3) & 0x3F);
    }
}

} // namespace

int gf_utf8SequenceLength(std::string_view text) {
    if (text.empty()) {
        return 0;
    }
    const LeadInfo info = lf_leadInfo(static_cast<unsigned char>(text[0]));
    for (int i = 1; i < info.length; ++i) {
        if (static_cast<std::size_t>(i) >= text.size()) {
            return -i;
        }
        const auto b = static_cast<unsigned char>(text[i]);
        const unsigned char low = i == 1 ? info.secondLow : 0x80;
        const unsigned char high = i == 1 ? info.secondHigh : 0xBF;
        if (b < low || b > high) {
            return 0;
        }
    }
    return info.length;
}

void gf_appendUtf8(std::string& out, char32_t cp) {
    if (cp > kMaxCodePoint || lf_isHighSurrogate(cp) || lf_isLowSurrogate(cp)) {
        cp = kReplacementCharacter;
    }
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::string wide_to_utf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size() * 3 / 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t unit = text[i];
        if (lf_isHighSurrogate(unit)) {
            if (i + 1 >= text.size() || !lf_isLowSurrogate(text[i + 1])) {
                throw std::runtime_error("wide_to_utf8: invalid UTF-16");
            }
            const char32_t low = text[++i];
            gf_appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        } else if (lf_isLowSurrogate(unit)) {
            throw std::runtime_error("wide_to_utf8: invalid UTF-16");
        } else {
            gf_appendUtf8(out, unit);
        }
    }
    return out;
}

std::u16string utf8_to_wide(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const int length = gf_utf8SequenceLength(text);
        if (length <= 0) {
            throw std::runtime_error("utf8_to_wide: invalid UTF-8");
        }
        const char32_t cp = lf_decodeWellFormed(text, length);
        if (cp >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        text.remove_prefix(static_cast<std::size_t>(length));
    }
    return out;
}

bool gf_isValidUtf8(std::string_view text, bool allowCutEnd) {
    while (!text.empty()) {
        const int length = gf_utf8SequenceLength(text);
        if (length == 0) {
            return false;
        }
        if (length < 0) {
            return allowCutEnd;
        }
        text.remove_prefix(static_cast<std::size_t>(length));
    }
    return true;
}

std::string gf_sanitizedUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const int length = gf_utf8SequenceLength(text);
        if (length <= 0) {
            gf_appendUtf8(out, kReplacementCharacter);
            text.remove_prefix(1);
            continue;
        }
        out.append(text.substr(0, static_cast<std::size_t>(length)));
        text.remove_prefix(static_cast<std::size_t>(length));
    }
    return out;
}

std::size_t gf_utf8Length(std::string_view text) {
    std::size_t count = 0;
    for (const char c : text) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
            ++count;
        }
    }
    return count;
}

} // namespace skyloom
