#include "SMFTrackDataMachine.h"

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
    ChargeBody = 7,    // charge the rest of the event to the chunk
    Body = 8,          // gathering the rest of the event
    EventDone = 9,     // go on with the next event or end the chunk
};
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

// The rest of an event is charged as a whole, before any of it is taken.
void SMFTrackDataMachine::checkBodyFits(std::uint32_t toWrite) const {
    if (toWrite > context_->remaining) throw Ex::ChunkOverrun();
}

// The storage never shrinks during a chunk: events of up to 4 bytes use the
// inline bytes, a larger one allocates only when it outgrows every earlier one.
void SMFTrackDataMachine::prepareEvent(SMFEventKind kind, std::uint32_t size,
                                       std::uint32_t toWrite) {
    written_ = 0;
    toWrite_ = toWrite;
    event_.kind = kind;
    event_.delta = pendingDelta_;
    event_.runningStatus = false;
    if (size > event_.capacity) {
        releaseStorage();
        event_.bytes = size > sizeof event_.inlineBytes ? new std::uint8_t[size] : event_.inlineBytes;
        event_.capacity = size;
    }
    event_.length = size;
}

void SMFTrackDataMachine::append(std::uint8_t b) {
    event_.bytes[written_++] = b;
    --toWrite_;
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
        prepareEvent(Channel, length, length);
        event_.runningStatus = !present;
        append(status);
        context_->lastStatus = status;
        state = ChargeBody;
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
            checkBodyFits(length);
            prepareEvent(Meta, length + 4u, length + 3u);
            event_.bytes[length + 3u] = 0; // lets a text be read as a terminated string
            append(Format::kMeta);
            append(type);
            append(length);
            state = ChargeBody;
            break;
        }
        case SysExLength:
            if (!number_.read(range)) return NeedInput;
            chargeNumber();
            // Checked before the storage is reserved: a tiny file must not
            // make us reserve the size that it merely announces.
            checkBodyFits(number_.value);
            prepareEvent(SysEx, number_.value + 1, number_.value + 1);
            append(Format::kSysExStart);
            state = ChargeBody;
            break;
        case EscapeLength:
            if (!number_.read(range)) return NeedInput;
            chargeNumber();
            checkBodyFits(number_.value);
            prepareEvent(SysEx, number_.value, number_.value);
            state = ChargeBody;
            break;
        case ChargeBody:
            checkBodyFits(toWrite_);
            context_->remaining -= toWrite_;
            bodyCollector_.aim(event_.bytes + written_, toWrite_);
            state = Body;
            break;
        case Body:
            if (!bodyCollector_.collect(range)) return NeedInput;
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
