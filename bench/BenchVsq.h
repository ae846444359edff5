// The large VSQ files of the benchmarks, written by our fixture writer.
//
// Shape: a master track of a few hundred tempo and time-signature events and
// 16 voice tracks at division 480.  Each voice track carries an INI-like text
// (section lines, short numeric fields, now and then a long value that spans
// several frames) cut into DM frames of at most 119 payload bytes; about one
// frame in 50 comes before its turn (two neighbours swapped), and note events,
// nearly all of them under running status, stand between the text events.
// The same size always gives the same bytes.
#pragma once

#include <cstdint>
#include <functional>

#include "SmfWriter.h"

namespace Bench {

constexpr int kVoiceTracks = 16;
constexpr std::uint16_t kDivision = 480;
constexpr std::size_t kPayloadSize = 119;

// Whether about one frame in 50 comes before its turn, or all in order.
enum class Frames { SomeSwapped, InOrder };

// Writes a file of about targetBytes bytes (never less than a small minimum)
// chunk by chunk: sink receives the header chunk, then each track chunk whole.
void writeVsq(std::uint64_t targetBytes, const std::function<void(const Fixture::Bytes&)>& sink,
              Frames frames = Frames::SomeSwapped);

// The same file in memory.
Fixture::Bytes vsqInMemory(std::uint64_t targetBytes);

} // namespace Bench
