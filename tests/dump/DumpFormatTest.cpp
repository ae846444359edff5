// The dump's own rules: the printed tempo, read back to the microseconds that
// print so, and where a voice's text ends.
#include <trillo/DumpFormat.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <set>
#include <string>

#include <gtest/gtest.h>

namespace {

// The first empty line, wherever it falls.
TEST(DumpFormat, TextLength) {
    using Trillo::DumpFormat::textLength;
    EXPECT_EQ(textLength(""), 0u);
    EXPECT_EQ(textLength("\n"), 0u);
    EXPECT_EQ(textLength("\n\n[S]\n"), 0u);
    for (std::size_t at = 1; at < 140; ++at) {
        SCOPED_TRACE(at);
        std::string lines;
        for (std::size_t i = 0; i < at; ++i) lines += (i % 3 == 2) ? '\n' : 'x';
        if (lines.back() == '\n') lines.back() = 'y';
        EXPECT_EQ(textLength(lines), at);
        EXPECT_EQ(textLength(lines + "\n"), at + 1);
        EXPECT_EQ(textLength(lines + "\n\n"), at + 1);
        EXPECT_EQ(textLength(lines + "\n\n[T]\nk=v\n\n"), at + 1);
        EXPECT_EQ(textLength(lines + "\n\n\n"), at + 1);
    }
}

// The tempo as "%.2f" prints it, the form the dump shows.
std::string printed(double tempo) {
    char text[400];
    std::snprintf(text, sizeof text, "%.2f", tempo);
    return text;
}

TEST(DumpFormat, PrintTempo) {
    for (double tempo : {120.0, 0.004999, 0.005, 150.0, 1e300, HUGE_VAL, 60000000.0 / 7, 3.14159})
        EXPECT_EQ(Trillo::DumpFormat::printTempo(tempo, *std::make_unique<Trillo::DumpFormat::TempoText>()),
                  printed(tempo));
}

// Against every value that could print the same: those whose tempo lies
// within 0.0051 of the wanted one.
void expectNearestThatPrintsTheSame(double tempo) {
    const std::string wanted = printed(tempo);
    std::set<std::uint32_t> same;
    const double low = std::floor(60000000.0 / (tempo + 0.0051));
    const double high = std::ceil(60000000.0 / std::max(tempo - 0.0051, 1e-9));
    for (double m = std::max(low, 1.0); m <= std::min(high, double{0xFFFFFF}); ++m)
        if (printed(60000000.0 / m) == wanted) same.insert(static_cast<std::uint32_t>(m));
    const std::optional<std::uint32_t> got = Trillo::DumpFormat::microsecondsPerQuarter(tempo);
    if (same.empty()) {
        EXPECT_FALSE(got) << wanted << " gave " << *got;
        return;
    }
    ASSERT_TRUE(got) << wanted;
    EXPECT_EQ(same.count(*got), 1u) << wanted << " gave " << *got;
    const double distance = std::fabs(*got - 60000000.0 / tempo);
    for (std::uint32_t m : same) EXPECT_LE(distance, std::fabs(m - 60000000.0 / tempo)) << wanted;
}

TEST(DumpFormat, MicrosecondsPerQuarter) {
    EXPECT_EQ(Trillo::DumpFormat::microsecondsPerQuarter(120.0), 500000u);
    EXPECT_EQ(Trillo::DumpFormat::microsecondsPerQuarter(HUGE_VAL), 0u);
    for (double bad : {0.0, -1.0, -HUGE_VAL, std::nan(""), 3.57, 1e-300, 60000000.01, 1e300})
        EXPECT_FALSE(Trillo::DumpFormat::microsecondsPerQuarter(bad)) << bad;
    // Two-decimal tempos as the dump shows them, in stretches where values
    // are dense, where they begin to be sparse, and where most are missing.
    for (const auto& [from, count] : {std::pair{3.50, 10}, std::pair{119.50, 100}, std::pair{774.00, 300},
                                      std::pair{5000.00, 300}, std::pair{29999999.90, 20}}) {
        for (int i = 0; i < count; ++i) expectNearestThatPrintsTheSame(std::round((from + i * 0.01) * 100) / 100);
    }
    // The tempo that the reader computes from a value gives that value back:
    // of all that print the same, it is the nearest.
    for (std::uint32_t m : {1u, 2u, 3u, 1000u, 77459u, 77460u, 500000u, 0xFFFFFFu}) {
        const double tempo = 60000000.0 / m;
        expectNearestThatPrintsTheSame(tempo);
        EXPECT_EQ(Trillo::DumpFormat::microsecondsPerQuarter(tempo), m);
    }
}

} // namespace
