#include <trillo/VSQHooks.h>

#include <cstdarg>

#include <trillo/Errors.h>

// Each line is defined by the format string written beside the code that
// makes it.  A formatted print per line cost more than all the reading, so
// the lines are put together byte by byte through the stream's unlocked
// character output, which stores into the stream's own buffer and calls the
// library only when that buffer is full; WriterFormatTest checks the bytes
// against the format strings.  The tempo line keeps its formatted print:
// "%.2f" is the definition of its rounding, and there are few such lines.
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
    putText(out, name);
    putText(out, "]\n");
}

void VSQHooks::onEndSection(std::int32_t, const char*) {}

// "%s=%s\n"
void VSQHooks::onField(std::int32_t, const char*, const char* key, const char* value) {
    putText(out, key);
    putByte(out, '=');
    putText(out, value);
    putByte(out, '\n');
}
