#include <trillo/DumpWriter.h>

#include <cstring>

#include <trillo/DumpFormat.h>

namespace Trillo {

DumpWriter::DumpWriter(OrbT::ByteSink& sink) : sink_(sink), buffer_(new char[kBufferSize]) {}

DumpWriter::~DumpWriter() = default;

void DumpWriter::flush() {
    const std::size_t count = used_;
    used_ = 0; // a failed write loses these bytes, never repeats them
    if (count != 0) sink_.write(buffer_.get(), count);
}

// The buffer goes to the sink when bytes come that it has no room for, and
// always full: the sink sees whole blocks of kBufferSize, but for the last.
void DumpWriter::put(std::string_view bytes) {
    while (bytes.size() > kBufferSize - used_) {
        const std::size_t room = kBufferSize - used_;
        std::memcpy(buffer_.get() + used_, bytes.data(), room);
        used_ = kBufferSize;
        bytes.remove_prefix(room);
        flush();
    }
    if (bytes.empty()) return;
    std::memcpy(buffer_.get() + used_, bytes.data(), bytes.size());
    used_ += bytes.size();
}

void DumpWriter::put(char byte) {
    if (used_ == kBufferSize) flush();
    buffer_[used_++] = byte;
}

// "%u", or "%0<width>u" for a width of up to 10.
void DumpWriter::putDecimal(std::uint32_t value, int width) {
    char digits[10];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    for (; count < width; ++count) digits[count] = '0';
    char text[10];
    for (int i = 0; i < count; ++i) text[i] = digits[count - 1 - i];
    put(std::string_view(text, static_cast<std::size_t>(count)));
}

// "%d", or "%0<width>d": the sign, then zeros up to the width.
void DumpWriter::putSigned(std::int32_t value, int width) {
    if (value >= 0) return putDecimal(static_cast<std::uint32_t>(value), width);
    put('-');
    putDecimal(0U - static_cast<std::uint32_t>(value), width - 1);
}

void DumpWriter::onHeader(std::int32_t voices, std::int32_t division) {
    voices_ = voices;
    division_ = division;
}

void DumpWriter::onEndFile() {}

void DumpWriter::onBeginTempoMap() {
    put(DumpFormat::kMaster);
    put('\n');
    put(DumpFormat::kNumVoices);
    putSigned(voices_);
    put('\n');
    put(DumpFormat::kDivision);
    putSigned(division_);
    put('\n');
    put(DumpFormat::kTempoMap);
    put('\n');
}

void DumpWriter::onEndTempoMap() { put('\n'); }

void DumpWriter::onTempo(std::uint32_t tick, double tempo) {
    DumpFormat::TempoText text;
    putDecimal(tick);
    put('=');
    put(DumpFormat::kTempo);
    put(DumpFormat::printTempo(tempo, text));
    put('\n');
}

void DumpWriter::onTimeSignature(std::uint32_t tick, std::uint32_t numerator, std::uint32_t denominator) {
    putDecimal(tick);
    put('=');
    put(DumpFormat::kTime);
    putDecimal(numerator);
    put('/');
    putDecimal(denominator);
    put(DumpFormat::kTimeSuffix);
    put('\n');
}

void DumpWriter::onBeginTrack(std::int32_t track) {
    sections_.beginTrack();
    put(DumpFormat::kTrack);
    putSigned(track + 1, 2);
    put("]\n");
}

void DumpWriter::onEndTrack(std::int32_t track) {
    sections_.endTrack();
    if (track == voices_ - 1) return; // no blank line after the last track
    put('\n');
}

void DumpWriter::onBeginSection(std::int32_t, std::string_view name) {
    sections_.section();
    put('[');
    put(name);
    put("]\n");
}

void DumpWriter::onEndSection(std::int32_t, std::string_view) {}

void DumpWriter::onField(std::int32_t, std::string_view, std::string_view key, std::string_view value) {
    put(key);
    put('=');
    put(value);
    put('\n');
}

// Section and field lines stand in the text exactly as the dump prints them,
// and a run always holds a section line or lies in an open section.
void DumpWriter::onLines(std::int32_t, std::string_view, std::string_view lines) {
    sections_.section();
    put(lines);
}

} // namespace Trillo
