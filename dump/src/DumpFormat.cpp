#include <trillo/DumpFormat.h>

#include <cmath>
#include <cstdio>

#include <liedwerk/WriteVSQ.h>

namespace Trillo::DumpFormat {

namespace {

constexpr double kMicrosecondsPerMinute = 60000000.0;
using Liedwerk::WriteVSQs::kMaxMicroseconds;

} // namespace

std::string_view printTempo(double tempo, TempoText& text) {
    const int length = std::snprintf(text.bytes, sizeof text.bytes, "%.2f", tempo);
    return std::string_view(text.bytes, static_cast<std::size_t>(length));
}

std::optional<std::uint32_t> microsecondsPerQuarter(double tempo) {
    if (std::isinf(tempo) && tempo > 0) return 0;
    if (!(tempo > 0) || !std::isfinite(tempo)) return std::nullopt;
    const double guess = kMicrosecondsPerMinute / tempo;
    if (guess > kMaxMicroseconds + 2.0) return std::nullopt;
    TempoText wantedText;
    TempoText text;
    const std::string_view wanted = printTempo(tempo, wantedText);
    // A value that prints the same lies within one of the guess: above about
    // 775 quarter notes per minute neighbours differ by more than 0.01, below
    // it the nearest value prints the same.
    const auto below = static_cast<std::int64_t>(std::floor(guess));
    std::optional<std::uint32_t> best;
    double bestDistance = 0;
    for (std::int64_t candidate = below - 1; candidate <= below + 2; ++candidate) {
        if (candidate < 1 || candidate > kMaxMicroseconds) continue;
        const double distance = std::fabs(static_cast<double>(candidate) - guess);
        if (best && distance >= bestDistance) continue;
        if (printTempo(kMicrosecondsPerMinute / static_cast<double>(candidate), text) != wanted) continue;
        best = static_cast<std::uint32_t>(candidate);
        bestDistance = distance;
    }
    return best;
}

std::string unprintableTempo(double tempo) {
    TempoText text;
    return "no tempo of 1 to 16777215 microseconds per quarter note prints as " + std::string(printTempo(tempo, text));
}

std::size_t textLength(std::string_view bytes) {
    if (!bytes.empty() && bytes[0] == '\n') return 0; // the first line is empty
    const std::size_t blank = bytes.find("\n\n");
    return blank == std::string_view::npos ? bytes.size() : blank + 1;
}

} // namespace Trillo::DumpFormat
