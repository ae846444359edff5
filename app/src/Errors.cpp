#include <trillo/Errors.h>

#include <cstdio>

#include <liedwerk/Exceptions.h>
#include <orbsmf/Exceptions.h>

namespace Trillo {

const char* currentErrorMessage() noexcept {
    try {
        throw;
    } catch (const Liedwerk::Ex::IllegalSMFFormat&) {
        return "Illegal SMF Format (Format 1 required).\n";
    } catch (const Liedwerk::Ex::TooFewTracks&) {
        return "Too few number of tracks.\n";
    } catch (const Liedwerk::Ex::DivisionNotSupported&) {
        return "SMPTE style division is not supported.\n";
    } catch (const Liedwerk::Ex::LackedDMFrame&) {
        return "Some DM frames lacked.\n";
    } catch (const Liedwerk::Ex::DuplicatedDMFrame&) {
        return "Some DM frames lacked.\n";
    } catch (const Ex::NoText&) {
        return "No DM frames - SMF, but not VSQ.\n";
    } catch (const Ex::TrailingBytes&) {
        return "There are needless trailing bytes.\n";
    } catch (const OrbSMF::Ex::UnexpectedFileEnd&) {
        return "Unexpected file end.\n";
    } catch (const OrbSMF::Ex::IllegalMagic&) {
        return "Illegal SMF magic.\n";
    } catch (const OrbSMF::Ex::ChunkOverrun&) {
        return "SMF data error - track chunk overrun.\n";
    } catch (const OrbSMF::Ex::IllegalRunningStatus&) {
        return "SMF data error - illegal running status.\n";
    } catch (const OrbSMF::Ex::TooShortHeader&) {
        return "Too short SMF header.\n";
    } catch (const OrbSMF::Ex::IllegalSystemMessage&) {
        return "SMF data error - raw system message is disallowed.\n";
    } catch (const OrbSMF::Ex::TooLongVarInteger&) {
        return "SMF data error - variable length integer overflow.\n";
    } catch (const OrbT::Ex::CannotOpenFile&) {
        return "cannot open file.\n";
    } catch (const OrbT::Ex::CannotReadFile&) {
        return "cannot read file.\n";
    } catch (const OrbT::Ex::CannotWriteFile&) {
        return "cannot write file.\n";
    } catch (...) {
        return "exception caught.\n";
    }
}

void writeErrorLine(const char* message) noexcept {
    std::fprintf(stderr, "Error: %s", message); // its result changes nothing
}

} // namespace Trillo
