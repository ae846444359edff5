#include <trillo/VSQHooks.h>

#include <cstdarg>
#include <cstddef>
#include <cstring>

#include <trillo/Errors.h>

// Each line is defined by the format string written beside the code that
// makes it.  A formatted print per line cost more than all the reading, so
// the lines are put together from their pieces: byte by byte through the
// stream's unlocked character output, which stores into the stream's own
// buffer and calls the library only when that buffer is full, and for the
// many field and section lines, where the stream's buffer has room for the
// whole line, in one copy per piece (see roomFor).  WriterFormatTest checks
// the bytes against the format strings.  The tempo line keeps its formatted
// print: "%.2f" is the definition of its rounding, and there are few such
// lines.
//
// Every byte reaches the stream during its event and each one is checked: a
// failing write throws at once, where a formatted print would have failed.

namespace {

// One byte to the stream, which only this thread uses.
inline void putByte(std::FILE* out, char byte) {
#if defined(__unix__)
    const int result = putc_unlocked(byte, out);
#else
    const int result = std::putc(byte, out);
#endif
    if (result == EOF) throw OrbT::Ex::CannotWriteFile();
}

// "%s", and literal characters.
inline void putText(std::FILE* out, const char* text) {
    for (; *text != '\0'; ++text) putByte(out, *text);
}

// "%u", or "%0<width>u" for a width of up to 10.
void putDecimal(std::FILE* out, std::uint32_t value, int width = 1) {
    char digits[10];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    for (; count < width; ++count) digits[count] = '0';
    while (count != 0) putByte(out, digits[--count]);
}

// "%d", or "%0<width>d": the sign, then zeros up to the width.
void putDecimal(std::FILE* out, std::int32_t value, int width = 1) {
    if (value >= 0) return putDecimal(out, static_cast<std::uint32_t>(value), width);
    putByte(out, '-');
    putDecimal(out, 0U - static_cast<std::uint32_t>(value), width - 1);
}

// Where count bytes can be stored straight into the stream's buffer, or null.
// glibc's stream shows its buffer in its public header, where its inline
// putc_unlocked stores a byte at _IO_write_ptr while that lies below
// _IO_write_end and calls the library otherwise (always, for a byte-oriented
// stream that is line-buffered or unbuffered: its end is kept at or below the
// pointer).  Where count bytes fit below the end, each of count such calls
// would have stored its byte there, so storing them in a block and moving the
// pointer past them leaves the stream just as those calls would.  With any
// other C library (uClibc-ng, too, claims to be glibc) there is never room,
// and the bytes go one at a time.
#if defined(__GLIBC__) && !defined(__UCLIBC__)
char* roomFor(std::FILE* out, std::size_t count) {
    char* const next = out->_IO_write_ptr;
    const std::ptrdiff_t room = out->_IO_write_end - next;
    return room > 0 && static_cast<std::size_t>(room) >= count ? next : nullptr;
}

// The bytes up to end, stored where roomFor said, are now written.
void commitUpTo(std::FILE* out, char* end) { out->_IO_write_ptr = end; }
#else
char* roomFor(std::FILE*, std::size_t) { return nullptr; }
void commitUpTo(std::FILE*, char*) {}
#endif

// "%s<mark>%s\n": two strings and a byte between them make a line, which
// goes in a block where the stream's buffer has room for it.
void putPair(std::FILE* out, const char* first, char mark, const char* second) {
    const std::size_t firstLength = std::strlen(first);
    const std::size_t secondLength = std::strlen(second);
    const std::size_t total = firstLength + secondLength + 2;
    char* const line = roomFor(out, total);
    if (line == nullptr) {
        putText(out, first);
        putByte(out, mark);
        putText(out, second);
        putByte(out, '\n');
        return;
    }
    std::memcpy(line, first, firstLength);
    line[firstLength] = mark;
    std::memcpy(line + firstLength + 1, second, secondLength);
    line[total - 1] = '\n';
    commitUpTo(out, line + total);
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
    putText(out, "[Master]\n");
    putText(out, "NumVoices="); // "NumVoices=%d\n"
    putDecimal(out, numVoices);
    putByte(out, '\n');
    putText(out, "Division="); // "Division=%d\n"
    putDecimal(out, division);
    putByte(out, '\n');
    putText(out, "[TempoMap]\n");
}

void VSQHooks::onEndTempoMap() { putByte(out, '\n'); }

void VSQHooks::onTempo(std::uint32_t tick, double tempo) { print(out, "%u=Tempo:%.2f\n", tick, tempo); }

// "%u=Time:%u/%u:24:8\n"
void VSQHooks::onTimeSignature(std::uint32_t tick, std::uint32_t numerator, std::uint32_t denominator) {
    putDecimal(out, tick);
    putText(out, "=Time:");
    putDecimal(out, numerator);
    putByte(out, '/');
    putDecimal(out, denominator);
    putText(out, ":24:8\n");
}

// "[Track%02d]\n" with index + 1
void VSQHooks::onBeginTrack(std::int32_t track) {
    sectionSeen = false;
    putText(out, "[Track");
    putDecimal(out, track + 1, 2);
    putText(out, "]\n");
}

void VSQHooks::onEndTrack(std::int32_t track) {
    if (!sectionSeen) throw Ex::NoText();
    if (track == numVoices - 1) return; // no blank line after the last track
    putByte(out, '\n');
}

// "[%s]\n"
void VSQHooks::onBeginSection(std::int32_t, const char* name) {
    sectionSeen = true;
    putByte(out, '[');
    putPair(out, name, ']', "");
}

void VSQHooks::onEndSection(std::int32_t, const char*) {}

// "%s=%s\n"
void VSQHooks::onField(std::int32_t, const char*, const char* key, const char* value) {
    putPair(out, key, '=', value);
}
