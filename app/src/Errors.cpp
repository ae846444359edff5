#include <trillo/Errors.h>

#include <cstdio>
#include <new>

#include <liedwerk/Exceptions.h>
#include <orbsmf/Exceptions.h>

namespace Trillo {

namespace {
constexpr char kCaught[] = "exception caught.\n";
} // namespace

// One clause per class, the first that matches wins; no clause names a class
// that has a subclass, so the order decides nothing.  The classes without a
// message of their own end with "exception caught.".
ErrorText describeCurrentError() noexcept {
    try {
        throw;
    } catch (const Liedwerk::Ex::IllegalSMFFormat&) {
        return {"IllegalSMFFormat", "Illegal SMF Format (Format 1 required).\n"};
    } catch (const Liedwerk::Ex::TooFewTracks&) {
        return {"TooFewTracks", "Too few number of tracks.\n"};
    } catch (const Liedwerk::Ex::DivisionNotSupported&) {
        return {"DivisionNotSupported", "SMPTE style division is not supported.\n"};
    } catch (const Liedwerk::Ex::LackedDMFrame&) {
        return {"LackedDMFrame", "Some DM frames lacked.\n"};
    } catch (const Liedwerk::Ex::DuplicatedDMFrame&) {
        return {"DuplicatedDMFrame", "Some DM frames lacked.\n"};
    } catch (const Ex::NoText&) {
        return {"NoText", "No DM frames - SMF, but not VSQ.\n"};
    } catch (const Ex::TrailingBytes&) {
        return {"TrailingBytes", "There are needless trailing bytes.\n"};
    } catch (const OrbSMF::Ex::UnexpectedFileEnd&) {
        return {"UnexpectedFileEnd", "Unexpected file end.\n"};
    } catch (const OrbSMF::Ex::IllegalMagic&) {
        return {"IllegalMagic", "Illegal SMF magic.\n"};
    } catch (const OrbSMF::Ex::ChunkOverrun&) {
        return {"ChunkOverrun", "SMF data error - track chunk overrun.\n"};
    } catch (const OrbSMF::Ex::IllegalRunningStatus&) {
        return {"IllegalRunningStatus", "SMF data error - illegal running status.\n"};
    } catch (const OrbSMF::Ex::TooShortHeader&) {
        return {"TooShortHeader", "Too short SMF header.\n"};
    } catch (const OrbSMF::Ex::IllegalSystemMessage&) {
        return {"IllegalSystemMessage", "SMF data error - raw system message is disallowed.\n"};
    } catch (const OrbSMF::Ex::TooLongVarInteger&) {
        return {"TooLongVarInteger", "SMF data error - variable length integer overflow.\n"};
    } catch (const OrbT::Ex::CannotOpenFile&) {
        return {"CannotOpenFile", "cannot open file.\n"};
    } catch (const OrbT::Ex::CannotReadFile&) {
        return {"CannotReadFile", "cannot read file.\n"};
    } catch (const OrbT::Ex::CannotWriteFile&) {
        return {"CannotWriteFile", "cannot write file.\n"};
    } catch (const Liedwerk::Ex::MalformedSectionName&) {
        return {"MalformedSectionName", kCaught};
    } catch (const Liedwerk::Ex::SectionIdentifierLacked&) {
        return {"SectionIdentifierLacked", kCaught};
    } catch (const Liedwerk::Ex::MalformedField&) {
        return {"MalformedField", kCaught};
    } catch (const std::bad_alloc&) {
        return {"OutOfMemory", kCaught};
    } catch (...) {
        return {nullptr, kCaught};
    }
}

const char* currentErrorMessage() noexcept { return describeCurrentError().message; }

void writeErrorLine(const char* message) noexcept {
    std::fprintf(stderr, "Error: %s", message); // its result changes nothing
}

} // namespace Trillo
