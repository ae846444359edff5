// Feeding the VSQ reader from the package's sources, as the tool feeds it.
#pragma once

#include <string>

#include <liedwerk/ParseVSQ.h>
#include <trillo/FileSource.h>
#include <trillo/ReadAll.h>

namespace TrilloPy {

// The tool's read loop: blocks from source until the SMF is complete, then
// one more block, which must be empty (Trillo::Ex::TrailingBytes).
using Trillo::readAll;

// Opens the file at path (bytes as the system takes them) and reads it with
// the tool's own file source.
inline void readPath(const std::string& path, Liedwerk::ParseVSQs::ViewHooks& receiver) {
    Trillo::FileSource source(path.c_str());
    readAll(source, receiver);
}

} // namespace TrilloPy
