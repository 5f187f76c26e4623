#include "report/text_format.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace report {

namespace {

// The length of the valid UTF-8 sequence starting at text[i], or 0 when it is not one.
std::size_t Utf8Length(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    std::uint32_t code = 0;
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, code = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, code = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, code = lead & 0x07u;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0u) != 0x80u) return 0;
        code = (code << 6) | (byte(i + k) & 0x3Fu);
    }
    // Overlong forms, UTF-16 surrogates and code points past U+10FFFF are not valid.
    const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < least[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return 0;
    // U+FFFE and U+FFFF are not allowed in XML.
    if (code == 0xFFFE || code == 0xFFFF) return 0;
    return length;
}

}  // namespace

std::string CleanText(std::string_view text) {
    std::string clean;
    clean.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const std::size_t length = Utf8Length(text, i);
        if (length == 0 || (c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7F) {
            clean += "\xEF\xBF\xBD";
            ++i;
        } else {
            clean.append(text.substr(i, length));
            i += length;
        }
    }
    return clean;
}

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (char c : CleanText(text)) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default: out += c;
        }
    }
    return out + "\"";
}

std::string Escaped(std::string_view text) {
    std::string out;
    for (char c : CleanText(text)) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            // Kept as they are inside attributes too, where a parser would turn them into spaces.
            case '\n': out += "&#10;"; break;
            case '\r': out += "&#13;"; break;
            case '\t': out += "&#9;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string Fixed(double value, int decimals) {
    if (!std::isfinite(value)) return "null";
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    return result.ec == std::errc() ? std::string(text, result.ptr) : "null";
}

std::string PixelHex(std::uint32_t value, int bytesPerPixel) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", bytesPerPixel > 0 && bytesPerPixel <= 4 ? bytesPerPixel * 2 : 4,
                  static_cast<unsigned>(value));
    return text;
}

const char* StateId(diagnostics::ItemState state) {
    using diagnostics::ItemState;
    switch (state) {
        case ItemState::NotCovered: return "not-covered";
        case ItemState::NotRequired: return "not-required";
        case ItemState::PrimaryOnly: return "primary-only";
        case ItemState::Exact: return "exact";
        case ItemState::Differs: return "differs";
        case ItemState::Expected: return "expected";
        case ItemState::UnexpectedlyExact: return "unexpectedly-exact";
    }
    return "unknown";
}

const char* StateWords(diagnostics::ItemState state) {
    using diagnostics::ItemState;
    switch (state) {
        case ItemState::NotCovered: return "not covered";
        case ItemState::NotRequired: return "not required";
        case ItemState::PrimaryOnly: return "exact on the primary surface only";
        case ItemState::Exact: return "exact";
        case ItemState::Differs: return "differs";
        case ItemState::Expected: return "differs, as expected";
        case ItemState::UnexpectedlyExact: return "exact, but expected to differ";
    }
    return "unknown";
}

const char* OutcomeId(diagnostics::Outcome outcome) {
    using diagnostics::Outcome;
    switch (outcome) {
        case Outcome::NotVerified: return "not-verified";
        case Outcome::Exact: return "exact";
        case Outcome::Incomplete: return "incomplete";
        case Outcome::Differs: return "differs";
    }
    return "unknown";
}

const char* OutcomeWords(diagnostics::Outcome outcome) {
    using diagnostics::Outcome;
    switch (outcome) {
        case Outcome::NotVerified: return "Not verified";
        case Outcome::Exact: return "Exact";
        case Outcome::Incomplete: return "Incomplete";
        case Outcome::Differs: return "Differs";
    }
    return "Unknown";
}

Channel DecodeChannel(std::uint32_t pixel, std::uint32_t mask) {
    if (mask == 0) return {};
    const int shift = std::countr_zero(mask);
    return {(pixel & mask) >> shift, mask >> shift, std::popcount(mask)};
}

}  // namespace report
