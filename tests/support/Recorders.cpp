#include "Recorders.h"

#include <cstdio>
#include <new>
#include <random>
#include <stdexcept>

#include <liedwerk/Exceptions.h>
#include <orbsmf/Exceptions.h>
#include <trillo/Errors.h>

namespace Fixture {

// The system's own classes by the error table's names; the others as well
// as can be told.
std::string exceptionName() {
    if (const char* kind = Trillo::describeCurrentError().kind) return kind;
    try {
        throw;
    } catch (const OrbT::Ex::Base&) {
        return "some other OrbT::Ex::Base";
    } catch (const std::exception& e) {
        return std::string("std::exception: ") + e.what();
    } catch (...) {
        return "unknown";
    }
}

std::string hex(const std::uint8_t* bytes, std::size_t count) {
    std::string out;
    char two[4];
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(two, sizeof two, i == 0 ? "%02X" : " %02X", bytes[i]);
        out += two;
    }
    return out;
}

namespace {

template <class... Args>
std::string line(const char* format, Args... args) {
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, format, args...);
    return std::string(buffer) + "\n";
}

const char* kindName(OrbSMF::SMFEventKind kind) {
    switch (kind) {
    case OrbSMF::Channel:
        return "Channel";
    case OrbSMF::SysEx:
        return "SysEx";
    case OrbSMF::Meta:
        return "Meta";
    }
    return "?";
}

} // namespace

void SMFRecorder::onHeaderChunk(const OrbSMF::SMFHeader& h) {
    log += line("header format=%u tracks=%u division=%u length=%u extra=%u", h.format, h.tracks, h.division, h.length,
                h.extra);
}

void SMFRecorder::onEndOfSMF() { log += "end of SMF\n"; }

void SMFRecorder::onBeginHeaderExtra(std::uint32_t count) {
    log += line("extra begin %u", count);
    extra_.clear();
}

void SMFRecorder::onEndHeaderExtra() {
    if (!splitExtra_) log += "extra bytes [" + hex(extra_.data(), extra_.size()) + "]\n";
    log += "extra end\n";
}

void SMFRecorder::onHeaderExtraBytes(const std::uint8_t* bytes, std::uint32_t count) {
    if (splitExtra_)
        log += "extra bytes [" + hex(bytes, count) + "]\n";
    else
        extra_.insert(extra_.end(), bytes, bytes + count);
}

void SMFRecorder::onBeginTrackChunk(std::int32_t track, std::uint32_t length) {
    tick_ = 0;
    log += line("track %d begin length=%u", track, length);
}

void SMFRecorder::onEndTrackChunk(std::int32_t track) { log += line("track %d end", track); }

// The event as a whole byte string: the status byte (F7 left out), a meta
// event's type and length byte, the data, and after a meta event's data a 0.
void SMFRecorder::onTrackEvent(std::int32_t track, const OrbSMF::SMFEvent& e) {
    Bytes bytes;
    if (e.status != 0xF7) bytes.push_back(e.status);
    if (e.kind == OrbSMF::Meta) {
        bytes.push_back(e.metaType);
        bytes.push_back(static_cast<std::uint8_t>(e.size));
    }
    if (e.size != 0) bytes.insert(bytes.end(), e.data, e.data + e.size);
    if (e.kind == OrbSMF::Meta) bytes.push_back(0);
    log += line("track %d %s delta=%u length=%zu%s [", track, kindName(e.kind), e.delta, bytes.size(),
                e.runningStatus ? " running" : "");
    log.pop_back(); // the line's "\n": the bytes follow
    log += hex(bytes.data(), bytes.size()) + "]\n";
    if (e.tick != tick_ + e.delta) log += line("track %d tick %u after %u + %u", track, e.tick, tick_, e.delta);
    tick_ = e.tick;
}

void VSQViewRecorder::onHeader(std::int32_t voices, std::int32_t division) {
    log += line("header voices=%d division=%d", voices, division);
}
void VSQViewRecorder::onEndFile() { log += "end file\n"; }
void VSQViewRecorder::onBeginTempoMap() { log += "begin tempo map\n"; }
void VSQViewRecorder::onEndTempoMap() { log += "end tempo map\n"; }
void VSQViewRecorder::onTempo(std::uint32_t tick, double tempo) { log += line("tempo %u %.6f", tick, tempo); }
void VSQViewRecorder::onTimeSignature(std::uint32_t tick, std::uint32_t numerator, std::uint32_t denominator) {
    log += line("time %u %u/%u", tick, numerator, denominator);
}
void VSQViewRecorder::onBeginTrack(std::int32_t track) { log += line("begin track %d", track); }
void VSQViewRecorder::onEndTrack(std::int32_t track) { log += line("end track %d", track); }
void VSQViewRecorder::onBeginSection(std::int32_t track, std::string_view name) {
    log += "begin section " + std::to_string(track) + " " + std::string(name) + "\n";
}
void VSQViewRecorder::onEndSection(std::int32_t track, std::string_view name) {
    log += "end section " + std::to_string(track) + " " + std::string(name) + "\n";
}
void VSQViewRecorder::onField(std::int32_t track, std::string_view section, std::string_view key,
                              std::string_view value) {
    log += "field " + std::to_string(track) + " " + std::string(section) + " " + std::string(key) + "=" +
           std::string(value) + "\n";
}

void TextRecorder::onSectionName(std::string_view name) { log += "section " + std::string(name) + "\n"; }
void TextRecorder::onSectionEnd(std::string_view name) { log += "end " + std::string(name) + "\n"; }
void TextRecorder::onKeyValue(std::string_view section, std::string_view key, std::string_view value) {
    log += "field " + std::string(section) + " " + std::string(key) + "=" + std::string(value) + "\n";
}
// A run is logged as its calls, after checking that it is a run of whole,
// checked lines.
void TextRecorder::onLines(std::string_view section, std::string_view lines) {
    if (lines.empty() || lines.back() != '\n') log += "a run that does not end with a newline\n";
    for (std::size_t at = 0, newline; at < lines.size(); at = newline + 1) {
        newline = lines.find('\n', at);
        if (newline == std::string_view::npos) newline = lines.size();
        const std::string_view line = lines.substr(at, newline - at);
        const std::size_t equals = line.find('=');
        if (!line.empty() && line[0] == '[' && line.find(']') == line.size() - 1 && line.size() > 2) {
            if (!section.empty()) onSectionEnd(section);
            section = line.substr(1, line.size() - 2);
            onSectionName(section);
        } else if (equals != 0 && equals != std::string_view::npos && !section.empty()) {
            onKeyValue(section, line.substr(0, equals), line.substr(equals + 1));
        } else {
            log += "an unchecked line in a run: " + std::string(line) + "\n";
        }
    }
}

std::vector<std::vector<std::size_t>> splitsOf(std::size_t size, std::size_t maxTwoWay, int randomSplits) {
    std::vector<std::vector<std::size_t>> splits;
    splits.emplace_back(); // whole
    std::vector<std::size_t> each;
    for (std::size_t at = 1; at < size; ++at) each.push_back(at);
    splits.push_back(each); // one byte per range
    if (size <= maxTwoWay)
        for (std::size_t at = 1; at < size; ++at) splits.push_back({at});
    std::mt19937 random(static_cast<std::uint32_t>(size * 7919 + 17));
    for (int i = 0; i < randomSplits && size > 1; ++i) {
        std::vector<std::size_t> cuts;
        std::uniform_int_distribution<std::size_t> step(1, 1 + size / 4);
        for (std::size_t at = step(random); at < size; at += step(random)) cuts.push_back(at);
        splits.push_back(cuts);
    }
    return splits;
}

} // namespace Fixture
