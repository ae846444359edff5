#include <trillo/Errors.h>

#include <new>

#include <liedwerk/Exceptions.h>
#include <orbsmf/Exceptions.h>

namespace Trillo {

namespace {

constexpr char kCaught[] = "exception caught.\n";

template <class E>
bool isCurrent() noexcept {
    try {
        throw;
    } catch (const E&) {
        return true;
    } catch (...) {
        return false;
    }
}

// The classes without a message of their own end with "exception caught.".
const ErrorKind kKinds[] = {
    {"IllegalSMFFormat", "DataError", "Illegal SMF Format (Format 1 required).\n",
     isCurrent<Liedwerk::Ex::IllegalSMFFormat>},
    {"TooFewTracks", "DataError", "Too few number of tracks.\n", isCurrent<Liedwerk::Ex::TooFewTracks>},
    {"DivisionNotSupported", "DataError", "SMPTE style division is not supported.\n",
     isCurrent<Liedwerk::Ex::DivisionNotSupported>},
    {"LackedDMFrame", "DataError", "Some DM frames lacked.\n", isCurrent<Liedwerk::Ex::LackedDMFrame>},
    {"DuplicatedDMFrame", "DataError", "Some DM frames lacked.\n", isCurrent<Liedwerk::Ex::DuplicatedDMFrame>},
    {"NoText", "DataError", "No DM frames - SMF, but not VSQ.\n", isCurrent<Ex::NoText>},
    {"TrailingBytes", "DataError", "There are needless trailing bytes.\n", isCurrent<Ex::TrailingBytes>},
    {"UnexpectedFileEnd", "IllegalFormat", "Unexpected file end.\n", isCurrent<OrbSMF::Ex::UnexpectedFileEnd>},
    {"IllegalMagic", "IllegalFormat", "Illegal SMF magic.\n", isCurrent<OrbSMF::Ex::IllegalMagic>},
    {"ChunkOverrun", "IllegalFormat", "SMF data error - track chunk overrun.\n", isCurrent<OrbSMF::Ex::ChunkOverrun>},
    {"IllegalRunningStatus", "IllegalFormat", "SMF data error - illegal running status.\n",
     isCurrent<OrbSMF::Ex::IllegalRunningStatus>},
    {"TooShortHeader", "IllegalFormat", "Too short SMF header.\n", isCurrent<OrbSMF::Ex::TooShortHeader>},
    {"IllegalSystemMessage", "IllegalFormat", "SMF data error - raw system message is disallowed.\n",
     isCurrent<OrbSMF::Ex::IllegalSystemMessage>},
    {"TooLongVarInteger", "IllegalFormat", "SMF data error - variable length integer overflow.\n",
     isCurrent<OrbSMF::Ex::TooLongVarInteger>},
    {"CannotOpenFile", "SystemError", "cannot open file.\n", isCurrent<OrbT::Ex::CannotOpenFile>},
    {"CannotReadFile", "SystemError", "cannot read file.\n", isCurrent<OrbT::Ex::CannotReadFile>},
    {"CannotWriteFile", "SystemError", "cannot write file.\n", isCurrent<OrbT::Ex::CannotWriteFile>},
    {"MalformedSectionName", "DataError", kCaught, isCurrent<Liedwerk::Ex::MalformedSectionName>},
    {"SectionIdentifierLacked", "DataError", kCaught, isCurrent<Liedwerk::Ex::SectionIdentifierLacked>},
    {"MalformedField", "DataError", kCaught, isCurrent<Liedwerk::Ex::MalformedField>},
    {"OutOfMemory", "MemoryError", kCaught, isCurrent<std::bad_alloc>},
};

} // namespace

const ErrorKind* errorKinds() noexcept { return kKinds; }

std::size_t errorKindCount() noexcept { return sizeof kKinds / sizeof kKinds[0]; }

ErrorText describeCurrentError() noexcept {
    for (const ErrorKind& entry : kKinds)
        if (entry.isCurrent()) return {entry.kind, entry.message};
    return {nullptr, kCaught};
}

const char* currentErrorMessage() noexcept { return describeCurrentError().message; }

} // namespace Trillo
