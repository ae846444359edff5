#include <trillo/VSQHooks.h>

#include <cstdarg>

#include <trillo/Errors.h>

namespace {

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

void VSQHooks::onBeginTempoMap() {
    print(out, "[Master]\n");
    print(out, "NumVoices=%d\n", numVoices);
    print(out, "Division=%d\n", division);
    print(out, "[TempoMap]\n");
}

void VSQHooks::onEndTempoMap() { print(out, "\n"); }

void VSQHooks::onTempo(std::uint32_t tick, double tempo) { print(out, "%u=Tempo:%.2f\n", tick, tempo); }

void VSQHooks::onTimeSignature(std::uint32_t tick, std::uint32_t numerator, std::uint32_t denominator) {
    print(out, "%u=Time:%u/%u:24:8\n", tick, numerator, denominator);
}

void VSQHooks::onBeginTrack(std::int32_t track) {
    sectionSeen = false;
    print(out, "[Track%02d]\n", track + 1);
}

void VSQHooks::onEndTrack(std::int32_t track) {
    if (!sectionSeen) throw Ex::NoText();
    if (track == numVoices - 1) return; // no blank line after the last track
    print(out, "\n");
}

void VSQHooks::onBeginSection(std::int32_t, const char* name) {
    sectionSeen = true;
    print(out, "[%s]\n", name);
}

void VSQHooks::onEndSection(std::int32_t, const char*) {}

void VSQHooks::onField(std::int32_t, const char*, const char* key, const char* value) {
    print(out, "%s=%s\n", key, value);
}
