#include "DMFrameCollector.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>

#include <liedwerk/Exceptions.h>

#include "LineMasks.h"

namespace Liedwerk {

namespace {

constexpr char kPrefix[] = "DM:";
constexpr std::size_t kPrefixLength = sizeof kPrefix - 1;

bool startsWithMinus(const char* text) {
    while (std::isspace(static_cast<unsigned char>(*text))) ++text;
    return *text == '-';
}

} // namespace

std::optional<std::uint32_t> parseUnsigned(const char* text) {
    // strtoul decides what is accepted; its unsigned long is wider than 32
    // bits here, so the 32-bit result is worked out from the magnitude.
    char* end = nullptr;
    errno = 0;
    const unsigned long converted = std::strtoul(text, &end, 10);
    if (end == text || *end != '\0') return std::nullopt;
    constexpr std::uint32_t kMax = std::numeric_limits<std::uint32_t>::max();
    if (errno == ERANGE) return kMax;
    const bool negative = startsWithMinus(text);
    const unsigned long magnitude = negative ? 0UL - converted : converted;
    if (magnitude > kMax) return kMax;
    const auto value = static_cast<std::uint32_t>(magnitude);
    return negative ? 0U - value : value;
}

namespace {

constexpr std::size_t kMaxPlainDigits = 9; // below 2^32 whatever the digits

// A frame whose number field is not plain digits: the standard conversion
// reads it, from the text cut at its 0 byte.
DMHeader parseOtherNumber(std::string_view text) {
    DMHeader header;
    text = text.substr(0, findByte(text.data(), text.size(), '\0'));
    const std::size_t colon = text.find(':', kPrefixLength);
    if (colon == std::string_view::npos || colon == kPrefixLength || colon + 1 == text.size()) return header;
    const std::optional<std::uint32_t> number =
        parseUnsigned(std::string(text.substr(kPrefixLength, colon - kPrefixLength)).c_str());
    if (!number) return header;
    header.number = static_cast<std::int32_t>(*number);
    header.isFrame = true;
    header.payload = text.substr(colon + 1);
    return header;
}

} // namespace

// The usual number field is plain digits: reading them finds the colon and
// gives the number at once.
DMHeader parseDMHeader(std::string_view text) {
    DMHeader header;
    const char* const bytes = text.data();
    const std::size_t size = text.size();
    if (size <= kPrefixLength || std::memcmp(bytes, kPrefix, kPrefixLength) != 0) return header;
    std::uint32_t number = 0;
    std::size_t colon = kPrefixLength;
    for (const std::size_t stop = std::min(size, kPrefixLength + kMaxPlainDigits + 1); colon != stop; ++colon) {
        const auto digit = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[colon]) - '0');
        if (digit > 9) break;
        number = number * 10 + digit;
    }
    const std::size_t digits = colon - kPrefixLength;
    if (digits == 0 || digits > kMaxPlainDigits || colon == size || bytes[colon] != ':') return parseOtherNumber(text);
    if (colon + 1 == size || bytes[colon + 1] == '\0') return header; // no payload
    header.number = static_cast<std::int32_t>(number);
    header.isFrame = true;
    header.payload = std::string_view(bytes + colon + 1, size - colon - 1);
    return header;
}

// The held frame whose payload the previous call returned goes now.
void DMFrameCollector::dropConsumed() {
    if (!pending_.empty() && pending_.top().number < nextFrame_) pending_.pop();
}

std::string_view DMFrameCollector::next() {
    if (pending_.empty()) return {};
    dropConsumed();
    if (pending_.empty()) return {};
    const DMFrame& top = pending_.top();
    if (top.number > nextFrame_) return {};
    if (top.number < nextFrame_) throw Ex::DuplicatedDMFrame(); // two held frames of one number
    ++nextFrame_;
    return top.payload; // stays in pending_ until the next call
}

std::optional<std::string_view> DMFrameCollector::accept(std::string_view text) {
    dropConsumed();
    const DMHeader header = parseDMHeader(text);
    if (!header.isFrame) return std::nullopt;
    if (header.number < nextFrame_) throw Ex::DuplicatedDMFrame();
    if (header.number == nextFrame_) {
        ++nextFrame_;
        return header.payload;
    }
    const std::string_view payload = header.payload;
    pending_.push(
        DMFrame{header.number, std::string(payload.substr(0, findByte(payload.data(), payload.size(), '\0')))});
    return std::string_view();
}

void DMFrameCollector::checkAndReset() {
    dropConsumed();
    const bool lacked = !pending_.empty();
    nextFrame_ = 0;
    pending_ = decltype(pending_)();
    if (lacked) throw Ex::LackedDMFrame();
}

} // namespace Liedwerk
