#include <trillo/VSQHooks.h>

#include <cstdarg>
#include <cstddef>
#include <cstring>

#include <trillo/Errors.h>

// Each line is defined by the format string written beside the code that
// makes it.  A formatted print per line cost more than all the reading, so
// the lines are assembled by hand; WriterFormatTest checks them byte for byte
// against the format strings.  The tempo line keeps its formatted print:
// "%.2f" is the definition of its rounding, and there are few such lines.
//
// Every line still reaches the stream during its event and nothing is kept
// back: a line is copied straight into the room left in the stream's own
// buffer, or else handed to one unformatted write that is checked at once.

namespace {

// Takes room for count bytes in the stream's buffer, or returns null.  With
// glibc this is the fast path of putc_unlocked, for a whole line: the same two
// fields and the same test, so the bytes land where an unformatted write
// would copy them.  A line-buffered or unbuffered stream never has such room
// (glibc keeps its write end at its write pointer), so its lines always take
// the unformatted write, which flushes as the stream's mode requires.
char* takeRoom(std::FILE* out, std::size_t count) {
#if defined(__GLIBC__)
    if (count != 0 && out->_IO_write_end - out->_IO_write_ptr >= static_cast<std::ptrdiff_t>(count)) {
        char* room = out->_IO_write_ptr;
        out->_IO_write_ptr += count;
        return room;
    }
#else
    static_cast<void>(out);
    static_cast<void>(count);
#endif
    return nullptr;
}

// Writes count bytes to the stream, which only this thread uses; a short
// write throws at once.
void put(std::FILE* out, const char* bytes, std::size_t count) {
    if (count == 0) return;
    if (char* room = takeRoom(out, count)) {
        std::memcpy(room, bytes, count);
        return;
    }
#if defined(__GLIBC__)
    const std::size_t written = fwrite_unlocked(bytes, 1, count, out);
#else
    const std::size_t written = std::fwrite(bytes, 1, count, out);
#endif
    if (written != count) throw OrbT::Ex::CannotWriteFile();
}

#if defined(__GNUC__)
__attribute__((format(printf, 2, 3)))
#endif
void print(std::FILE* out, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int result = std::vfprintf(out, format, args);
    va_end(args);
    if (result < 0) throw OrbT::Ex::CannotWriteFile();
}

// One line, assembled in a fixed buffer and written by end(), within the
// event that makes it.  A part that does not fit goes to the stream at once,
// after what was assembled before it: the bytes and their order stay those of
// the format string.
class Line {
public:
    explicit Line(std::FILE* out) : out_(out) {}

    // "%s" and the literal characters.
    Line& text(const char* bytes, std::size_t count) {
        if (count > sizeof buffer_ - used_) {
            flush();
            if (count > sizeof buffer_) {
                put(out_, bytes, count);
                return *this;
            }
        }
        std::memcpy(buffer_ + used_, bytes, count);
        used_ += count;
        return *this;
    }
    template <std::size_t N>
    Line& literal(const char (&chars)[N]) {
        return text(chars, N - 1);
    }

    // "%u".
    Line& decimal(std::uint32_t value) { return digits(value, 1); }

    // "%0<width>d" ("%d" is width 1): the sign, then zeros up to the width.
    Line& decimal(std::int32_t value, int width) {
        if (value >= 0) return digits(static_cast<std::uint32_t>(value), width);
        text("-", 1);
        return digits(0U - static_cast<std::uint32_t>(value), width - 1);
    }

    void end() { flush(); }

private:
    // At least minDigits (at most 10) digits of value.
    Line& digits(std::uint32_t value, int minDigits) {
        char storage[10];
        char* first = storage + sizeof storage;
        do {
            *--first = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value != 0);
        while (storage + sizeof storage - first < minDigits) *--first = '0';
        return text(first, static_cast<std::size_t>(storage + sizeof storage - first));
    }

    void flush() {
        put(out_, buffer_, used_);
        used_ = 0;
    }

    std::FILE* out_;
    std::size_t used_ = 0;
    char buffer_[256];
};

} // namespace

VSQHooks::VSQHooks(std::FILE* out_, bool closeOnDestroy_) : out(out_), closeOnDestroy(closeOnDestroy_) {}

VSQHooks::~VSQHooks() {
    if (closeOnDestroy) std::fclose(out); // its result is ignored
}

void VSQHooks::onHeader(std::int32_t voices, std::int32_t division_) {
    numVoices = voices;
    division = division_;
}

void VSQHooks::onEndFile() {}

// Four writes: the first that fails ends the event.
void VSQHooks::onBeginTempoMap() {
    Line(out).literal("[Master]\n").end();
    Line(out).literal("NumVoices=").decimal(numVoices, 1).literal("\n").end(); // "NumVoices=%d\n"
    Line(out).literal("Division=").decimal(division, 1).literal("\n").end();   // "Division=%d\n"
    Line(out).literal("[TempoMap]\n").end();
}

void VSQHooks::onEndTempoMap() { Line(out).literal("\n").end(); }

void VSQHooks::onTempo(std::uint32_t tick, double tempo) { print(out, "%u=Tempo:%.2f\n", tick, tempo); }

// "%u=Time:%u/%u:24:8\n"
void VSQHooks::onTimeSignature(std::uint32_t tick, std::uint32_t numerator, std::uint32_t denominator) {
    Line(out).decimal(tick).literal("=Time:").decimal(numerator).literal("/").decimal(denominator)
        .literal(":24:8\n").end();
}

// "[Track%02d]\n" with index + 1
void VSQHooks::onBeginTrack(std::int32_t track) {
    sectionSeen = false;
    Line(out).literal("[Track").decimal(track + 1, 2).literal("]\n").end();
}

void VSQHooks::onEndTrack(std::int32_t track) {
    if (!sectionSeen) throw Ex::NoText();
    if (track == numVoices - 1) return; // no blank line after the last track
    Line(out).literal("\n").end();
}

// "[%s]\n": the frequent lines are copied into the stream's buffer in one go
// when they fit, else assembled and written.
void VSQHooks::onBeginSection(std::int32_t, const char* name) {
    sectionSeen = true;
    const std::size_t length = std::strlen(name);
    if (char* room = takeRoom(out, length + 3)) {
        room[0] = '[';
        std::memcpy(room + 1, name, length);
        room[length + 1] = ']';
        room[length + 2] = '\n';
        return;
    }
    Line(out).literal("[").text(name, length).literal("]\n").end();
}

void VSQHooks::onEndSection(std::int32_t, const char*) {}

// "%s=%s\n"
void VSQHooks::onField(std::int32_t, const char*, const char* key, const char* value) {
    const std::size_t keyLength = std::strlen(key);
    const std::size_t valueLength = std::strlen(value);
    if (char* room = takeRoom(out, keyLength + valueLength + 2)) {
        std::memcpy(room, key, keyLength);
        room[keyLength] = '=';
        std::memcpy(room + keyLength + 1, value, valueLength);
        room[keyLength + 1 + valueLength] = '\n';
        return;
    }
    Line(out).text(key, keyLength).literal("=").text(value, valueLength).literal("\n").end();
}
