#include "SMFTrackDataMachine.h"

#include <cstring>

#include <orbsmf/Exceptions.h>

#include "Format.h"

namespace OrbSMF {

namespace {
enum : std::int32_t {
    BeginChunk = 0,    // report the chunk's begin
    NextEvent = 1,     // an event begins, or the chunk is used up
    Delta = 2,         // reading the delta time
    Status = 3,        // waiting for the status byte (or the first data byte)
    MetaPrefix = 4,    // gathering a meta event's type and length bytes
    SysExLength = 5,   // reading the length after F0
    EscapeLength = 6,  // reading the length after F7
    Body = 7,          // gathering the rest of the event
    EventDone = 8,     // go on with the next event or end the chunk
};

// Storage reserved for an event before its bytes arrive.  A larger event's
// storage grows as its bytes come in, so that a length that the file merely
// announces reserves nothing beyond this.
constexpr std::uint32_t kUpfrontBytes = 64 * 1024;
} // namespace

SMFTrackDataMachine::SMFTrackDataMachine(TrackContext& context) : context_(&context) {
    metaPrefix_.aim(metaPrefixBytes_, sizeof metaPrefixBytes_);
}

SMFTrackDataMachine::~SMFTrackDataMachine() { releaseStorage(); }

void SMFTrackDataMachine::releaseStorage() {
    if (event_.bytes != nullptr && event_.bytes != event_.inlineBytes) delete[] event_.bytes;
    event_.bytes = nullptr;
    event_.capacity = 0;
}

void SMFTrackDataMachine::startNumber() { number_.start(context_->remaining); }

void SMFTrackDataMachine::chargeNumber() { context_->remaining -= number_.used; }

// Makes the storage hold at least count bytes, keeping the first keep bytes.
// It never shrinks during a chunk: events of up to 4 bytes use the inline
// bytes, and a larger one allocates only when it outgrows every earlier one,
// doubling up to the event's length.
void SMFTrackDataMachine::reserve(std::uint32_t count, std::uint32_t keep) {
    if (count <= event_.capacity) return;
    std::uint32_t capacity = event_.capacity * 2 > count ? event_.capacity * 2 : count;
    if (capacity > event_.length) capacity = event_.length;
    std::uint8_t* storage = capacity > sizeof event_.inlineBytes ? new std::uint8_t[capacity] : event_.inlineBytes;
    if (keep != 0 && storage != event_.bytes) std::memcpy(storage, event_.bytes, keep);
    releaseStorage();
    event_.bytes = storage;
    event_.capacity = capacity;
}

// An event of size bytes begins, bodyBytes of which are still in the input.
// They are charged to the chunk as a whole, before any storage is prepared
// and before any of them is taken.
void SMFTrackDataMachine::beginEvent(SMFEventKind kind, std::uint32_t size, std::uint32_t bodyBytes) {
    if (bodyBytes > context_->remaining) throw Ex::ChunkOverrun();
    context_->remaining -= bodyBytes;
    written_ = 0;
    toWrite_ = bodyBytes;
    event_.kind = kind;
    event_.delta = pendingDelta_;
    event_.runningStatus = false;
    event_.length = size;
    reserve(size < kUpfrontBytes ? size : kUpfrontBytes, 0);
    state = Body;
}

void SMFTrackDataMachine::append(std::uint8_t b) { event_.bytes[written_++] = b; }

// Moves as many of the event's bytes as the range holds into the storage,
// which grows to take them.
bool SMFTrackDataMachine::gatherBody(ByteRange& range) {
    while (toWrite_ != 0) {
        if (range.empty()) return false;
        const std::uint32_t n = range.count < toWrite_ ? range.count : toWrite_;
        reserve(written_ + n, written_);
        bodyCollector_.aim(event_.bytes + written_, n);
        bodyCollector_.collect(range);
        written_ += n;
        toWrite_ -= n;
    }
    return true;
}

void SMFTrackDataMachine::readStatus(ByteRange& range) {
    const std::uint8_t b = *range.cursor;
    const bool present = (b & Format::kStatusBit) != 0;
    std::uint8_t status = b;
    if (present) {
        range.advance(1);
        --context_->remaining;
    } else {
        // A data byte: it continues the last channel message's status and
        // stays in the range as the first data byte.
        status = context_->lastStatus;
        if (status == 0) throw Ex::IllegalRunningStatus();
    }

    if (status == Format::kSysExStart) {
        startNumber();
        state = SysExLength;
    } else if (status == Format::kSysExEscape) {
        startNumber();
        state = EscapeLength;
    } else if (status == Format::kMeta) {
        // Type and length bytes are charged before they are read.
        if (context_->remaining < 2) throw Ex::ChunkOverrun();
        context_->remaining -= 2;
        metaPrefix_.aim(metaPrefixBytes_, sizeof metaPrefixBytes_);
        state = MetaPrefix;
    } else if (status >= Format::kFirstSystemStatus) {
        throw Ex::IllegalSystemMessage();
    } else {
        const std::uint32_t length = Format::channelMessageLength(status);
        beginEvent(Channel, length, length - 1);
        event_.runningStatus = !present;
        append(status);
        context_->lastStatus = status;
    }
}

StepResult SMFTrackDataMachine::step(ByteRange& range) {
    for (;;) {
        switch (state) {
        case BeginChunk:
            receiver().onBeginTrackChunk(context_->index, context_->remaining);
            state = NextEvent;
            break;
        case NextEvent:
            if (context_->remaining == 0) {
                state = EventDone;
                break;
            }
            startNumber();
            state = Delta;
            break;
        case Delta:
            if (!number_.read(range)) return NeedInput;
            chargeNumber();
            pendingDelta_ = number_.value;
            // A delta time must be followed by an event inside the chunk.
            if (context_->remaining == 0) throw Ex::ChunkOverrun();
            state = Status;
            break;
        case Status:
            if (range.empty()) return NeedInput;
            readStatus(range);
            break;
        case MetaPrefix: {
            if (!metaPrefix_.collect(range)) return NeedInput;
            const std::uint8_t type = metaPrefixBytes_[0];
            const std::uint8_t length = metaPrefixBytes_[1]; // one plain byte, 0 to 255
            beginEvent(Meta, length + 4u, length);
            event_.bytes[length + 3u] = 0; // lets a text be read as a terminated string
            append(Format::kMeta);
            append(type);
            append(length);
            break;
        }
        case SysExLength:
            if (!number_.read(range)) return NeedInput;
            chargeNumber();
            beginEvent(SysEx, number_.value + 1, number_.value);
            append(Format::kSysExStart);
            break;
        case EscapeLength:
            if (!number_.read(range)) return NeedInput;
            chargeNumber();
            beginEvent(SysEx, number_.value, number_.value);
            break;
        case Body:
            if (!gatherBody(range)) return NeedInput;
            receiver().onTrackEvent(context_->index, event_);
            state = EventDone;
            break;
        case EventDone:
            if (context_->remaining != 0) {
                state = NextEvent;
                break;
            }
            receiver().onEndTrackChunk(context_->index);
            state = EventDone + 1;
            return Finished;
        default:
            return Finished;
        }
    }
}

} // namespace OrbSMF
