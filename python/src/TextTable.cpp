#include "TextTable.h"

#include <cstring>

namespace TrilloPy {

namespace {

// Up to eight bytes as a number, different for different bytes of the same
// count: whole words read, no partial stores to read back.
std::uint64_t load(const char* bytes, std::size_t count) {
    if (count >= 8) {
        std::uint64_t value;
        std::memcpy(&value, bytes, 8);
        return value;
    }
    if (count >= 4) {
        std::uint32_t head;
        std::uint32_t tail;
        std::memcpy(&head, bytes, 4);
        std::memcpy(&tail, bytes + count - 4, 4);
        return head | std::uint64_t{tail} << 32;
    }
    if (count == 0) return 0;
    const auto byte = [bytes](std::size_t at) { return std::uint64_t{static_cast<unsigned char>(bytes[at])}; };
    return byte(0) | byte(count / 2) << 8 | byte(count - 1) << 16;
}

// A hash of a short text from its length and all its bytes, eight at a time;
// its high half is used.
std::uint64_t hashOf(std::string_view text) {
    const char* at = text.data();
    std::size_t left = text.size();
    std::uint64_t hash = left * 0x9E3779B97F4A7C15u;
    for (; left > 8; at += 8, left -= 8) hash = (hash ^ load(at, 8)) * 0xBF58476D1CE4E5B9u;
    hash = (hash ^ load(at, left)) * 0x94D049BB133111EBu;
    return hash >> 32;
}

} // namespace

TextTable::TextTable(const Decoder& decoder) : decoder_(decoder), slots_(kSlots) {}

TextTable::~TextTable() {
    for (const Slot& slot : slots_) Py_XDECREF(slot.object);
}

PyObject* TextTable::get(std::string_view bytes) {
    if (bytes.size() > kLongestKept) return decoder_(bytes);
    Slot& slot = slots_[hashOf(bytes) % kSlots];
    if (slot.object == nullptr || slot.size != bytes.size() ||
        std::memcmp(slot.bytes, bytes.data(), bytes.size()) != 0) {
        PyObject* const object = decoder_(bytes);
        Py_XDECREF(slot.object);
        slot.object = object;
        slot.size = static_cast<std::uint8_t>(bytes.size());
        std::memcpy(slot.bytes, bytes.data(), bytes.size());
    }
    Py_INCREF(slot.object);
    return slot.object;
}

} // namespace TrilloPy
