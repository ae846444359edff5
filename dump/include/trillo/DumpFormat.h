// The rules of trillo's dump that both its writer and its reader follow: how
// a tempo prints, and where a voice's text ends.  The Python package reaches
// them through its extension.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace Trillo::DumpFormat {

// The dump's fixed words:
//
//   [Master]
//   NumVoices=2
//   Division=480
//   [TempoMap]
//   0=Tempo:120.00                 tick "=" kTempo and printTempo
//   0=Time:4/4:24:8                tick "=" kTime numerator "/" denominator kTimeSuffix
//   (a blank line)
//   [Track01]                      kTrack, the track's number from 1 (two digits at least), "]"
//   ...                            the voice's text as it stands
constexpr std::string_view kMaster = "[Master]";
constexpr std::string_view kNumVoices = "NumVoices=";
constexpr std::string_view kDivision = "Division=";
constexpr std::string_view kTempoMap = "[TempoMap]";
constexpr std::string_view kTempo = "Tempo:";
constexpr std::string_view kTime = "Time:";
constexpr std::string_view kTimeSuffix = ":24:8";
constexpr std::string_view kTrack = "[Track";
constexpr std::string_view kInfinite = "inf"; // the tempo of a set-tempo event of 0

// Room for a printed tempo: the largest finite double prints 309 digits
// before the point.
struct TempoText {
    char bytes[400];
};

// A tempo in quarter notes per minute as the dump prints it: "%.2f", two
// decimals ("120.00"; "inf" for an infinite tempo).
std::string_view printTempo(double tempo, TempoText& text);

// The microseconds per quarter note whose tempo, 60000000.0 / microseconds
// as the reader computes it, prints as tempo does: of those, the one nearest
// to 60000000.0 / tempo.  An infinite tempo gives 0.  None when no value from
// 0 to 0xFFFFFF does (tempos below 3.58, and now and then one above about 775
// quarter notes per minute, which falls between two values), and for a tempo
// that is not a positive number.
std::optional<std::uint32_t> microsecondsPerQuarter(double tempo);

// What trillo-pack and trillo.write say of a tick that is no unsigned 32-bit
// number.
constexpr char kTickOutOfRange[] = "a tick must be a number from 0 to 4294967295";

// What trillo-pack and trillo.write say of a positive tempo for which
// microsecondsPerQuarter has none: "no tempo of 1 to 16777215 microseconds
// per quarter note prints as 3.50".
std::string unprintableTempo(double tempo);

// Where the voice's text at the front of bytes ends.  A text holds no empty
// line, and the dump puts a blank line between two voices' texts: the length
// of bytes up to the first empty line (its last line's "\n" included), or
// all of bytes when none follows.
std::size_t textLength(std::string_view bytes);

} // namespace Trillo::DumpFormat
