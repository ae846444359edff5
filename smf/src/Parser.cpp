#include <orbsmf/Parser.h>

#include <algorithm>
#include <cstring>
#include <exception>

#include "EventStorage.h"
#include "Format.h"

namespace OrbSMF {

Parsers::Hooks::~Hooks() = default;

// The whole file in one machine: the header chunk, then as many track chunks
// as it announces, each event reported as soon as its last byte is read.
//
// The chunk checks: every byte of every event lies inside its chunk, and a
// chunk ends exactly when its length is used up.  A delta time, a status byte
// and a meta event's type and length bytes are charged to the chunk as they
// are read; the rest of an event is charged as a whole before any of it is
// taken, so an event that would run past its chunk fails at once.
class Parser::Impl_ {
public:
    explicit Impl_(Parsers::Hooks& receiver) : receiver_(receiver) {}

    // An exception ends the parse for good: it is thrown again by every later
    // feed.
    bool feed(ByteRange& range) {
        if (failure_) std::rethrow_exception(failure_);
        try {
            return run(range);
        } catch (...) {
            failure_ = std::current_exception();
            throw;
        }
    }

private:
    enum class State : std::uint8_t {
        HeaderChunk,  // "MThd" and the header chunk's length
        HeaderFields, // format, tracks and division
        HeaderExtra,  // header bytes beyond the six, passed on as the ranges hold them
        TrackChunk,   // "MTrk" and the track chunk's length
        DeltaTime,    // an event's delta time
        Status,       // its status byte, or a data byte that continues the running status
        MetaType,     // a meta event's type byte
        MetaLength,   // a meta event's length byte
        SysExLength,  // the length number after F0 or F7
        EventData,    // the event's data bytes
        Finished,     // the last announced track chunk has ended
    };

    bool run(ByteRange& range);
    bool takeWholeEvent(ByteRange& range);
    bool gatherFixed(ByteRange& range, std::uint32_t count);
    bool readNumber(ByteRange& range);
    void startNumber();
    void readHeaderChunk();
    void readHeaderFields();
    bool passExtraBytes(ByteRange& range);
    void readTrackChunk();
    void readStatus(ByteRange& range);
    void beginData(std::uint32_t size);
    bool gatherData(ByteRange& range);
    void nextEvent();
    void nextChunk();

    Parsers::Hooks& receiver_;
    State state_ = State::HeaderChunk;
    std::exception_ptr failure_;

    std::uint8_t fixed_[Format::kChunkHeaderSize] = {}; // a chunk header or the header fields
    std::uint32_t fixedHave_ = 0;

    SMFHeader header_;
    std::int32_t tracksBegun_ = 0;
    std::uint32_t extraLeft_ = 0; // extra header bytes still to pass on

    std::int32_t track_ = 0;      // the current track chunk's index
    std::uint32_t remaining_ = 0; // its bytes not yet charged
    std::uint8_t lastStatus_ = 0; // its running status; 0 means none
    std::uint32_t tick_ = 0;      // its delta times so far

    std::uint32_t number_ = 0;      // the variable-length number being read
    std::uint32_t numberBytes_ = 0; // its bytes so far

    SMFEvent event_;
    std::uint32_t dataLeft_ = 0; // the event's data bytes still to come
    EventStorage storage_;       // an event that arrives in pieces
};

// Every state that needs no further byte is passed in the same call, so the
// loop stops only when it needs a byte that the range does not hold, or at
// the end of the SMF.  Events that lie whole in the range are read one after
// another in one pass each (takeWholeEvent); the states take the rest.
bool Parser::Impl_::run(ByteRange& range) {
    if (state_ == State::Finished) return false;
    if (range.empty()) throw Ex::UnexpectedFileEnd(); // the input ended inside the SMF
    for (;;) {
        switch (state_) {
        case State::HeaderChunk:
            if (!gatherFixed(range, Format::kChunkHeaderSize)) return true;
            readHeaderChunk();
            [[fallthrough]];
        case State::HeaderFields:
            if (!gatherFixed(range, Format::kHeaderDataSize)) return true;
            readHeaderFields();
            if (state_ != State::HeaderExtra) break;
            [[fallthrough]]; // at once, even with no byte left
        case State::HeaderExtra:
            if (!passExtraBytes(range)) return true;
            break;
        case State::TrackChunk:
            if (!gatherFixed(range, Format::kChunkHeaderSize)) return true;
            readTrackChunk();
            break;
        case State::DeltaTime:
            while (takeWholeEvent(range)) {
                if (state_ != State::DeltaTime) break;
            }
            if (state_ != State::DeltaTime) break;
            if (!readNumber(range)) return true;
            // A delta time must be followed by an event inside the chunk.
            if (remaining_ == 0) throw Ex::ChunkOverrun();
            event_.delta = number_;
            tick_ += number_;
            event_.tick = tick_;
            state_ = State::Status;
            [[fallthrough]];
        case State::Status:
            if (range.empty()) return true;
            readStatus(range);
            break;
        case State::MetaType:
            if (range.empty()) return true;
            event_.metaType = *range.cursor;
            range.advance(1);
            state_ = State::MetaLength;
            [[fallthrough]];
        case State::MetaLength:
            if (range.empty()) return true;
            beginData(*range.cursor); // one plain byte, 0 to 255
            range.advance(1);
            [[fallthrough]];
        case State::EventData:
            if (!gatherData(range)) return true;
            nextEvent();
            break;
        case State::SysExLength:
            if (!readNumber(range)) return true;
            beginData(number_);
            break;
        case State::Finished:
            return false;
        }
    }
}

// The usual event, lying whole in the range and in its chunk, none of it
// read yet: a delta time, then a channel message (its status given or
// implied) or a meta event.  It is read in one pass, without the states, and
// reported in place.  Anything else, and an event that would fail, is left
// untouched to the states, which read it byte by byte and report or throw as
// they do for any event.
bool Parser::Impl_::takeWholeEvent(ByteRange& range) {
    constexpr std::uint32_t kLongestHead = Format::kMaxVarNumberBytes + 1 + Format::kMetaPrefixSize;
    const std::uint32_t available = std::min(range.count, remaining_); // the chunk's bytes in the range
    if (available < kLongestHead || numberBytes_ != 0) return false;   // not with a delta time begun
    const std::uint8_t* const bytes = range.cursor;
    std::uint32_t at = 0;
    std::uint32_t delta = 0;
    for (std::uint8_t b = Format::kVarNumberMore; (b & Format::kVarNumberMore) != 0;) {
        if (at == Format::kMaxVarNumberBytes) return false;
        b = bytes[at++];
        delta = (delta << 7) | (b & Format::kVarNumberBits);
    }
    std::uint8_t status = bytes[at];
    const bool given = (status & Format::kStatusBit) != 0;
    std::uint32_t size = 0;
    std::uint8_t metaType = 0;
    if (!given) {
        status = lastStatus_;
        if (status == 0) return false;
        size = Format::channelDataLength(status);
    } else if (status == Format::kMeta) {
        metaType = bytes[at + 1];
        size = bytes[at + 2];
        at += 1 + Format::kMetaPrefixSize;
    } else if (status < Format::kFirstSystemStatus) {
        size = Format::channelDataLength(status);
        ++at;
    } else {
        return false; // system exclusive, and the system messages that fail
    }
    if (size > available - at) return false;
    if (status < Format::kFirstSystemStatus) lastStatus_ = status;
    tick_ += delta;
    event_.kind = status == Format::kMeta ? Meta : Channel;
    event_.status = status;
    event_.metaType = metaType;
    event_.runningStatus = !given;
    event_.delta = delta;
    event_.tick = tick_;
    event_.data = bytes + at;
    event_.size = size;
    range.advance(at + size);
    remaining_ -= at + size;
    receiver_.onTrackEvent(track_, event_);
    nextEvent();
    return true;
}

// Gathers a fixed-size item into fixed_ over any number of ranges.
bool Parser::Impl_::gatherFixed(ByteRange& range, std::uint32_t count) {
    const std::uint32_t n = std::min(range.count, count - fixedHave_);
    if (n != 0) {
        std::memcpy(fixed_ + fixedHave_, range.cursor, n);
        range.advance(n);
        fixedHave_ += n;
    }
    if (fixedHave_ < count) return false;
    fixedHave_ = 0;
    return true;
}

void Parser::Impl_::startNumber() {
    number_ = 0;
    numberBytes_ = 0;
}

// A delta time or a system exclusive length, over any number of ranges; each
// byte is charged to the chunk as it is read.  Each test is made only when a
// further byte is there to take: first that the chunk has room for it, then
// that it is not a fifth byte.
bool Parser::Impl_::readNumber(ByteRange& range) {
    while (!range.empty()) {
        if (remaining_ == 0) throw Ex::ChunkOverrun();
        if (numberBytes_ >= Format::kMaxVarNumberBytes) throw Ex::TooLongVarInteger();
        const std::uint8_t b = *range.cursor;
        range.advance(1);
        --remaining_;
        ++numberBytes_;
        number_ = (number_ << 7) | (b & Format::kVarNumberBits);
        if ((b & Format::kVarNumberMore) == 0) return true;
    }
    return false;
}

// The type is tested before the length.
void Parser::Impl_::readHeaderChunk() {
    if (Format::readBE32(fixed_) != Format::kHeaderMagic) throw Ex::IllegalMagic();
    const std::uint32_t length = Format::readBE32(fixed_ + 4);
    if (length < Format::kHeaderDataSize) throw Ex::TooShortHeader();
    header_.length = length;
    header_.extra = length - Format::kHeaderDataSize;
    state_ = State::HeaderFields;
}

void Parser::Impl_::readHeaderFields() {
    header_.format = Format::readBE16(fixed_);
    header_.tracks = Format::readBE16(fixed_ + 2);
    header_.division = Format::readBE16(fixed_ + 4);
    receiver_.onHeaderChunk(header_);
    if (header_.extra == 0) return nextChunk();
    extraLeft_ = header_.extra;
    receiver_.onBeginHeaderExtra(extraLeft_);
    state_ = State::HeaderExtra;
}

// One call per range that reaches the extra bytes, with as many of them as
// it holds: none, when the division word ended the range.  Returns false
// while bytes are still to come.
bool Parser::Impl_::passExtraBytes(ByteRange& range) {
    const std::uint32_t n = std::min(range.count, extraLeft_);
    receiver_.onHeaderExtraBytes(range.cursor, n);
    range.advance(n);
    extraLeft_ -= n;
    if (extraLeft_ != 0) return false;
    receiver_.onEndHeaderExtra();
    nextChunk();
    return true;
}

// No chunk of another type is skipped: every chunk here must be a track.
void Parser::Impl_::readTrackChunk() {
    if (Format::readBE32(fixed_) != Format::kTrackMagic) throw Ex::IllegalMagic();
    track_ = tracksBegun_++;
    remaining_ = Format::readBE32(fixed_ + 4);
    lastStatus_ = 0;
    tick_ = 0;
    receiver_.onBeginTrackChunk(track_, remaining_);
    nextEvent();
}

void Parser::Impl_::readStatus(ByteRange& range) {
    const std::uint8_t b = *range.cursor;
    const bool present = (b & Format::kStatusBit) != 0;
    std::uint8_t status = b;
    if (present) {
        range.advance(1);
        --remaining_;
    } else {
        // A data byte: it continues the last channel message's status and
        // stays in the range as the first data byte.  Meta and system
        // exclusive events neither use nor change the running status.
        status = lastStatus_;
        if (status == 0) throw Ex::IllegalRunningStatus();
    }
    event_.status = status;
    event_.metaType = 0;
    event_.runningStatus = false;
    if (status == Format::kSysExStart || status == Format::kSysExEscape) {
        event_.kind = SysEx;
        startNumber();
        state_ = State::SysExLength;
    } else if (status == Format::kMeta) {
        // The type and length bytes are charged before they are read.
        if (remaining_ < Format::kMetaPrefixSize) throw Ex::ChunkOverrun();
        remaining_ -= Format::kMetaPrefixSize;
        event_.kind = Meta;
        state_ = State::MetaType;
    } else if (status >= Format::kFirstSystemStatus) {
        throw Ex::IllegalSystemMessage();
    } else {
        event_.kind = Channel;
        event_.runningStatus = !present;
        lastStatus_ = status;
        beginData(Format::channelDataLength(status));
    }
}

// The event's data bytes are charged to the chunk as a whole, before any of
// them is taken.
void Parser::Impl_::beginData(std::uint32_t size) {
    if (size > remaining_) throw Ex::ChunkOverrun();
    remaining_ -= size;
    event_.size = size;
    dataLeft_ = size;
    storage_.clear();
    state_ = State::EventData;
}

// Reports the event once its data is complete: in place when it lies whole
// in the range, from the storage when it arrived in pieces.
bool Parser::Impl_::gatherData(ByteRange& range) {
    if (storage_.empty() && range.count >= dataLeft_) {
        event_.data = range.cursor;
        range.advance(dataLeft_);
    } else {
        const std::uint32_t n = std::min(range.count, dataLeft_);
        if (n != 0) storage_.append(range.cursor, n, event_.size);
        range.advance(n);
        dataLeft_ -= n;
        if (dataLeft_ != 0) return false;
        event_.data = storage_.data();
    }
    receiver_.onTrackEvent(track_, event_);
    storage_.clear();
    return true;
}

void Parser::Impl_::nextEvent() {
    if (remaining_ != 0) {
        startNumber();
        state_ = State::DeltaTime;
        return;
    }
    receiver_.onEndTrackChunk(track_);
    nextChunk();
}

void Parser::Impl_::nextChunk() {
    if (tracksBegun_ < header_.tracks) {
        state_ = State::TrackChunk;
        return;
    }
    state_ = State::Finished;
    receiver_.onEndOfSMF();
}

Parser::Parser(Parsers::Hooks& receiver) : impl_(std::make_unique<Impl_>(receiver)) {}

Parser::~Parser() = default;

bool Parser::feed(ByteRange& range) { return impl_->feed(range); }

} // namespace OrbSMF
