// The texts of one trillo.read, short ones made once while they recur: names,
// keys and values repeat heavily (a key in almost every section), and giving
// the object made for the same bytes a moment ago saves making it, decoding
// it and the memory of a copy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include <pybind11/pybind11.h>

#include "Decoder.h"

namespace TrilloPy {

// A direct-mapped cache from a short text's bytes to the object that the
// decoder made of them, for one read, with the GIL held: each slot keeps the
// last text that fell into it, its bytes in the slot.  Small, so that it
// stays in the processor's first-level cache and a text that never recurs
// costs little; a text seen again only long after is made anew.  A table of
// every text of the read was measured too: it made a fifth as many texts
// (110,000 against 620,000 for the 10 MB benchmark file) but took nearly
// twice as long, each lookup a miss in the processor's caches.  Texts longer
// than kLongestKept are always made anew.
class TextTable {
public:
    explicit TextTable(const Decoder& decoder);
    ~TextTable();
    TextTable(const TextTable&) = delete;
    TextTable& operator=(const TextTable&) = delete;

    // A new reference to the object for bytes; throws what the decoder throws.
    PyObject* get(std::string_view bytes);

    static constexpr std::size_t kLongestKept = 23;
    static constexpr std::size_t kSlots = 512; // a power of two

private:
    struct Slot {                   // 32 bytes
        PyObject* object = nullptr; // null: empty
        std::uint8_t size = 0;
        char bytes[kLongestKept];
    };

    const Decoder& decoder_;
    std::vector<Slot> slots_;
};

} // namespace TrilloPy
