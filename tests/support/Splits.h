// The one place where tests feed an input in many cuts.
#pragma once

#include <string>

#include <gtest/gtest.h>

#include "Recorders.h"

namespace Fixture {

inline std::string describeCuts(const std::vector<std::size_t>& cuts) {
    if (cuts.empty()) return "whole";
    std::string out = "cuts at";
    for (std::size_t i = 0; i < cuts.size() && i < 12; ++i) out += " " + std::to_string(cuts[i]);
    if (cuts.size() > 12) out += " ... (" + std::to_string(cuts.size()) + " cuts)";
    return out;
}

// Feeds input whole, one byte per range, at every two-way split (small
// inputs) and at random splits; every feeding must give the same log, which
// is returned.
template <class Parser, class Recorder>
std::string logOfEverySplit(const Bytes& input) {
    const std::string whole = feedPieces<Parser, Recorder>(input, {});
    for (const auto& cuts : splitsOf(input.size())) {
        const std::string log = feedPieces<Parser, Recorder>(input, cuts);
        EXPECT_EQ(whole, log) << "fed " << describeCuts(cuts);
        if (whole != log) break; // one diff is enough to read
    }
    return whole;
}

} // namespace Fixture
