// The numbered DM frames of a voice track, put back in number order.
//
//   frame = "DM:" number ":" payload      (number and payload not empty;
//                                          the payload may hold colons)
//
// A text ends at its first 0 byte: the payload handed on may hold one, and
// then ends there.
//
// The number is read as the standard base-10 conversion to an unsigned
// 32-bit value reads it, and taken as signed: 2^31 and above, a minus sign, or
// a value too large for 32 bits give a negative number.
#pragma once

#include <cstdint>
#include <optional>
#include <queue>
#include <string>
#include <string_view>
#include <vector>

namespace Liedwerk {

// The standard base-10 conversion with an unsigned 32-bit result: leading
// white space and one sign pass, a magnitude above 4294967295 gives
// 4294967295 whatever the sign, and a minus sign otherwise wraps modulo 2^32.
// None unless the whole string converts.
std::optional<std::uint32_t> parseUnsigned(const char* text);

struct DMHeader {
    bool isFrame = false;
    std::int32_t number = 0;
    std::string_view payload; // into the text given
};

// Reads a frame's prefix and number; a malformed text is reported by the
// result (isFrame false), never by an exception.
DMHeader parseDMHeader(std::string_view text);

// A frame held back because it came before its turn.
struct DMFrame {
    std::int32_t number;
    std::string payload; // a copy: the event's bytes are gone after it
};

// Checks the numbering of one voice track's frames, holds back those that
// come early and hands payloads on in number order.  A payload is never
// empty, so an empty view means "none".
class DMFrameCollector {
public:
    // Offers one text event's text; returns the payload to feed now (a view
    // into text), an empty view when the frame is held back, and none for a
    // text that is not a frame (the reader skips it).  Throws
    // Ex::DuplicatedDMFrame for a number already passed on.
    std::optional<std::string_view> accept(std::string_view text);

    // The payload of the next held frame whose turn has come, or an empty
    // view.  It stays valid until the next call of accept, next or
    // checkAndReset.
    std::string_view next();

    // Forgets the track's frames and numbering; throws Ex::LackedDMFrame,
    // after the reset, if frames were still held (a number never came).
    void checkAndReset();

private:
    struct Later {
        bool operator()(const DMFrame& a, const DMFrame& b) const { return a.number > b.number; }
    };

    void dropConsumed();

    std::int32_t nextFrame_ = 0;
    std::priority_queue<DMFrame, std::vector<DMFrame>, Later> pending_; // smallest number on top
};

} // namespace Liedwerk
