#include "DMFrameCollector.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>

#include <liedwerk/Exceptions.h>

namespace Liedwerk {

namespace {

constexpr char kPrefix[] = "DM:";
constexpr std::size_t kPrefixLength = sizeof kPrefix - 1;

bool startsWithMinus(const char* text) {
    while (std::isspace(static_cast<unsigned char>(*text))) ++text;
    return *text == '-';
}

// The usual number field, up to nine digits and nothing else, gives what
// parseUnsigned would, without the copy and the conversion call.  Returns
// false, leaving value alone, for any other field.
bool readPlainDigits(const char* first, const char* last, std::uint32_t& value) {
    constexpr std::ptrdiff_t kMaxDigits = 9; // below 2^32 whatever the digits
    if (last - first > kMaxDigits) return false;
    std::uint32_t result = 0;
    for (const char* p = first; p != last; ++p) {
        const auto digit = static_cast<std::uint32_t>(static_cast<unsigned char>(*p) - '0');
        if (digit > 9) return false;
        result = result * 10 + digit;
    }
    value = result;
    return true;
}

} // namespace

std::uint32_t parseUnsigned(const char* text) {
    // strtoul decides what is accepted; its unsigned long is wider than 32
    // bits here, so the 32-bit result is worked out from the magnitude.
    char* end = nullptr;
    errno = 0;
    const unsigned long converted = std::strtoul(text, &end, 10);
    if (end == text || *end != '\0') throw OrbT::Ex::ParseError();
    constexpr std::uint32_t kMax = std::numeric_limits<std::uint32_t>::max();
    if (errno == ERANGE) return kMax;
    const bool negative = startsWithMinus(text);
    const unsigned long magnitude = negative ? 0UL - converted : converted;
    if (magnitude > kMax) return kMax;
    const auto value = static_cast<std::uint32_t>(magnitude);
    return negative ? 0U - value : value;
}

DMHeader parseDMHeader(const char* text) {
    DMHeader header;
    // The prefix and at least one byte after it, without measuring the text.
    if (std::strncmp(text, kPrefix, kPrefixLength) != 0 || text[kPrefixLength] == '\0') return header;
    const char* field = text + kPrefixLength;
    const char* colon = std::strchr(field, ':');
    if (colon == nullptr || colon == field || colon[1] == '\0') return header;
    std::uint32_t number = 0;
    if (!readPlainDigits(field, colon, number)) {
        try {
            number = parseUnsigned(std::string(field, colon).c_str());
        } catch (const OrbT::Ex::ParseError&) {
            return header;
        }
    }
    header.number = static_cast<std::int32_t>(number);
    header.isFrame = true;
    header.payload = colon + 1;
    return header;
}

// The held frame whose payload the previous call returned goes now.
void DMFrameCollector::dropConsumed() {
    if (!pending_.empty() && pending_.top().number < nextFrame_) pending_.pop();
}

const char* DMFrameCollector::nextReady() {
    if (pending_.empty()) return nullptr;
    const DMFrame& top = pending_.top();
    if (top.number > nextFrame_) return nullptr;
    if (top.number < nextFrame_) throw Ex::DuplicatedDMFrame(); // two held frames of one number
    ++nextFrame_;
    return top.payload.c_str(); // stays in pending_ until the next call
}

const char* DMFrameCollector::accept(const char* text) {
    dropConsumed();
    if (text == nullptr) return nextReady();
    const DMHeader header = parseDMHeader(text);
    if (!header.isFrame) throw Ex::NotDMText();
    if (header.number < nextFrame_) throw Ex::DuplicatedDMFrame();
    if (header.number == nextFrame_) {
        ++nextFrame_;
        return header.payload;
    }
    pending_.push(DMFrame{header.number, header.payload});
    return nullptr;
}

void DMFrameCollector::checkAndReset() {
    dropConsumed();
    const bool lacked = !pending_.empty();
    nextFrame_ = 0;
    pending_ = decltype(pending_)();
    if (lacked) throw Ex::LackedDMFrame();
}

} // namespace Liedwerk
