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

// Reads the decimal digits at the front of text into value and returns how
// many there are.  The value wraps past 2^32, which a field of at most nine
// digits never reaches.
std::size_t readDigits(std::string_view text, std::uint32_t& value) {
    std::uint32_t result = 0;
    std::size_t at = 0;
    for (; at < text.size(); ++at) {
        const auto digit = static_cast<std::uint32_t>(static_cast<unsigned char>(text[at]) - '0');
        if (digit > 9) break;
        result = result * 10 + digit;
    }
    value = result;
    return at;
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

DMHeader parseDMHeader(std::string_view text) {
    DMHeader header;
    if (text.size() <= kPrefixLength || text.compare(0, kPrefixLength, kPrefix) != 0) return header;
    const std::string_view field = text.substr(kPrefixLength);
    // The usual number field is plain digits: reading them finds the colon
    // and gives the number at once.  Any other field goes through the
    // standard conversion.
    std::uint32_t number = 0;
    const std::size_t digits = readDigits(field, number);
    const std::size_t colon = digits < field.size() && field[digits] == ':' ? digits : field.find(':', digits);
    if (colon == std::string_view::npos || colon == 0 || colon + 1 == field.size()) return header;
    constexpr std::size_t kMaxPlainDigits = 9; // below 2^32 whatever the digits
    if (digits != colon || colon > kMaxPlainDigits) {
        try {
            number = parseUnsigned(std::string(field.substr(0, colon)).c_str());
        } catch (const OrbT::Ex::ParseError&) {
            return header;
        }
    }
    header.number = static_cast<std::int32_t>(number);
    header.isFrame = true;
    header.payload = field.substr(colon + 1);
    return header;
}

// The held frame whose payload the previous call returned goes now.
void DMFrameCollector::dropConsumed() {
    if (!pending_.empty() && pending_.top().number < nextFrame_) pending_.pop();
}

std::string_view DMFrameCollector::next() {
    dropConsumed();
    if (pending_.empty()) return {};
    const DMFrame& top = pending_.top();
    if (top.number > nextFrame_) return {};
    if (top.number < nextFrame_) throw Ex::DuplicatedDMFrame(); // two held frames of one number
    ++nextFrame_;
    return top.payload; // stays in pending_ until the next call
}

std::string_view DMFrameCollector::accept(std::string_view text) {
    dropConsumed();
    const DMHeader header = parseDMHeader(text);
    if (!header.isFrame) throw Ex::NotDMText();
    if (header.number < nextFrame_) throw Ex::DuplicatedDMFrame();
    if (header.number == nextFrame_) {
        ++nextFrame_;
        return header.payload;
    }
    pending_.push(DMFrame{header.number, std::string(header.payload)});
    return {};
}

void DMFrameCollector::checkAndReset() {
    dropConsumed();
    const bool lacked = !pending_.empty();
    nextFrame_ = 0;
    pending_ = decltype(pending_)();
    if (lacked) throw Ex::LackedDMFrame();
}

} // namespace Liedwerk
