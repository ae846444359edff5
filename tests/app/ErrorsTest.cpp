// Every exception class meets its message, and only its own.
#include <trillo/Errors.h>

#include <new>
#include <stdexcept>
#include <string>
#include <type_traits>

#include <gtest/gtest.h>

#include <liedwerk/Exceptions.h>
#include <orbsmf/Exceptions.h>

namespace {

template <class E>
std::string messageOf() {
    try {
        throw E();
    } catch (...) {
        return Trillo::currentErrorMessage();
    }
}

struct Row {
    const char* name;
    std::string (*message)();
    const char* expected;
};

#define ROW(E, text) Row{#E, &messageOf<E>, text}

TEST(ErrorMessages, EveryClassMeetsItsMessage) {
    const Row rows[] = {
        ROW(Liedwerk::Ex::IllegalSMFFormat, "Illegal SMF Format (Format 1 required).\n"),
        ROW(Liedwerk::Ex::TooFewTracks, "Too few number of tracks.\n"),
        ROW(Liedwerk::Ex::DivisionNotSupported, "SMPTE style division is not supported.\n"),
        ROW(Liedwerk::Ex::LackedDMFrame, "Some DM frames lacked.\n"),
        ROW(Liedwerk::Ex::DuplicatedDMFrame, "Some DM frames lacked.\n"),
        ROW(Trillo::Ex::NoText, "No DM frames - SMF, but not VSQ.\n"),
        ROW(OrbSMF::Ex::UnexpectedFileEnd, "Unexpected file end.\n"),
        ROW(OrbSMF::Ex::IllegalMagic, "Illegal SMF magic.\n"),
        ROW(OrbSMF::Ex::ChunkOverrun, "SMF data error - track chunk overrun.\n"),
        ROW(OrbSMF::Ex::IllegalRunningStatus, "SMF data error - illegal running status.\n"),
        ROW(OrbSMF::Ex::TooShortHeader, "Too short SMF header.\n"),
        ROW(OrbSMF::Ex::IllegalSystemMessage, "SMF data error - raw system message is disallowed.\n"),
        ROW(OrbSMF::Ex::TooLongVarInteger, "SMF data error - variable length integer overflow.\n"),
        ROW(OrbT::Ex::CannotOpenFile, "cannot open file.\n"),
        ROW(OrbT::Ex::CannotReadFile, "cannot read file.\n"),
        ROW(OrbT::Ex::CannotWriteFile, "cannot write file.\n"),
        // No clause of their own.
        ROW(Liedwerk::Ex::MalformedSectionName, "exception caught.\n"),
        ROW(Liedwerk::Ex::SectionIdentifierLacked, "exception caught.\n"),
        ROW(Liedwerk::Ex::MalformedField, "exception caught.\n"),
        ROW(Liedwerk::Ex::NotDMText, "exception caught.\n"),
        ROW(OrbT::Ex::ParseError, "exception caught.\n"),
        ROW(OrbSMF::Ex::IllegalStatusByte, "exception caught.\n"),
        ROW(OrbT::Ex::IllegalFormat, "exception caught.\n"),
        ROW(OrbT::Ex::DataError, "exception caught.\n"),
        ROW(OrbT::Ex::SystemError, "exception caught.\n"),
        ROW(OrbT::Ex::Base, "exception caught.\n"),
        ROW(std::bad_alloc, "exception caught.\n"),
        ROW(std::bad_array_new_length, "exception caught.\n"),
        ROW(int, "exception caught.\n"),
    };
    for (const Row& row : rows) EXPECT_EQ(row.message(), row.expected) << row.name;
}

// The tree: each class's base, as the handler and embedders rely on it.
namespace tree {
using namespace OrbT::Ex;
static_assert(std::is_base_of_v<Base, DataError> && std::is_base_of_v<Base, SystemError>);
static_assert(std::is_base_of_v<DataError, IllegalFormat> && std::is_base_of_v<DataError, ParseError>);
static_assert(std::is_base_of_v<SystemError, CannotOpenFile> && std::is_base_of_v<SystemError, CannotReadFile> &&
              std::is_base_of_v<SystemError, CannotWriteFile>);
static_assert(std::is_base_of_v<IllegalFormat, OrbSMF::Ex::UnexpectedFileEnd> &&
              std::is_base_of_v<IllegalFormat, OrbSMF::Ex::TooLongVarInteger> &&
              std::is_base_of_v<OrbSMF::Ex::IllegalStatusByte, OrbSMF::Ex::IllegalSystemMessage> &&
              std::is_base_of_v<IllegalFormat, OrbSMF::Ex::IllegalStatusByte>);
static_assert(std::is_base_of_v<DataError, Liedwerk::Ex::IllegalSMFFormat> &&
              !std::is_base_of_v<IllegalFormat, Liedwerk::Ex::IllegalSMFFormat> &&
              std::is_base_of_v<DataError, Liedwerk::Ex::NotDMText> && std::is_base_of_v<DataError, Trillo::Ex::NoText>);
static_assert(std::is_empty_v<Base> && std::is_empty_v<Liedwerk::Ex::MalformedField> &&
              std::is_empty_v<OrbSMF::Ex::IllegalSystemMessage>);
} // namespace tree

} // namespace
