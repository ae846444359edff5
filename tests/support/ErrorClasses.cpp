#include "ErrorClasses.h"

#include <cxxabi.h>

#include <cstdlib>
#include <new>
#include <typeinfo>

#include <liedwerk/Exceptions.h>
#include <orbsmf/Exceptions.h>
#include <orbt/Exceptions.h>
#include <trillo/Errors.h>

namespace Fixture {

namespace {

template <class E>
std::string nameOf() {
    int status = 0;
    char* name = abi::__cxa_demangle(typeid(E).name(), nullptr, nullptr, &status);
    const std::string out = status == 0 ? name : typeid(E).name();
    std::free(name);
    return out;
}

template <class E>
void raise() {
    throw E();
}

// The kind of a class is its name without the namespace, unless given.
template <class E>
ErrorClass row(const char* message, const char* kind = nullptr) {
    const std::string name = nameOf<E>();
    return {name, kind != nullptr ? kind : name.substr(name.rfind(':') + 1), message, &raise<E>};
}

} // namespace

std::vector<ErrorClass> errorClasses() {
    return {
        row<Liedwerk::Ex::IllegalSMFFormat>("Illegal SMF Format (Format 1 required).\n"),
        row<Liedwerk::Ex::TooFewTracks>("Too few number of tracks.\n"),
        row<Liedwerk::Ex::DivisionNotSupported>("SMPTE style division is not supported.\n"),
        row<Liedwerk::Ex::LackedDMFrame>("Some DM frames lacked.\n"),
        row<Liedwerk::Ex::DuplicatedDMFrame>("Some DM frames lacked.\n"),
        row<Trillo::Ex::NoText>("No DM frames - SMF, but not VSQ.\n"),
        row<Trillo::Ex::TrailingBytes>("There are needless trailing bytes.\n"),
        row<OrbSMF::Ex::UnexpectedFileEnd>("Unexpected file end.\n"),
        row<OrbSMF::Ex::IllegalMagic>("Illegal SMF magic.\n"),
        row<OrbSMF::Ex::ChunkOverrun>("SMF data error - track chunk overrun.\n"),
        row<OrbSMF::Ex::IllegalRunningStatus>("SMF data error - illegal running status.\n"),
        row<OrbSMF::Ex::TooShortHeader>("Too short SMF header.\n"),
        row<OrbSMF::Ex::IllegalSystemMessage>("SMF data error - raw system message is disallowed.\n"),
        row<OrbSMF::Ex::TooLongVarInteger>("SMF data error - variable length integer overflow.\n"),
        row<OrbT::Ex::CannotOpenFile>("cannot open file.\n"),
        row<OrbT::Ex::CannotReadFile>("cannot read file.\n"),
        row<OrbT::Ex::CannotWriteFile>("cannot write file.\n"),
        // No clause of their own.
        row<Liedwerk::Ex::MalformedSectionName>("exception caught.\n"),
        row<Liedwerk::Ex::SectionIdentifierLacked>("exception caught.\n"),
        row<Liedwerk::Ex::MalformedField>("exception caught.\n"),
        row<Liedwerk::Ex::NotDMText>("exception caught.\n", "(none)"),
        row<OrbT::Ex::ParseError>("exception caught.\n", "(none)"),
        row<OrbSMF::Ex::IllegalStatusByte>("exception caught.\n", "(none)"),
        row<OrbT::Ex::IllegalFormat>("exception caught.\n", "(none)"),
        row<OrbT::Ex::DataError>("exception caught.\n", "(none)"),
        row<OrbT::Ex::SystemError>("exception caught.\n", "(none)"),
        row<OrbT::Ex::Base>("exception caught.\n", "(none)"),
        row<std::bad_alloc>("exception caught.\n", "OutOfMemory"),
        row<std::bad_array_new_length>("exception caught.\n", "OutOfMemory"),
        row<int>("exception caught.\n", "(none)"),
    };
}

} // namespace Fixture
