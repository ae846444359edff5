// Cut points derived from the input itself, so that a finding replays.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <string_view>
#include <vector>

namespace FuzzSupport {

inline std::vector<std::size_t> cutsFor(const std::uint8_t* data, std::size_t size) {
    const std::size_t seed = std::hash<std::string_view>()(std::string_view(reinterpret_cast<const char*>(data), size));
    std::mt19937_64 random(seed);
    std::vector<std::size_t> cuts;
    if (size < 2) return cuts;
    // Mostly small pieces, now and then a long one; one byte per range for tiny inputs.
    const std::size_t widest = (seed & 3) == 0 ? 1 : 1 + size / 3;
    std::uniform_int_distribution<std::size_t> step(1, widest);
    for (std::size_t at = step(random); at < size; at += step(random)) cuts.push_back(at);
    return cuts;
}

} // namespace FuzzSupport
