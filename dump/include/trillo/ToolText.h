// What `trillo --help` and `trillo --version` print, for every front end that
// answers as the tool does (python3 -m trillo, say).
#pragma once

namespace Trillo {

const char* helpText() noexcept;
const char* versionLine() noexcept; // "trillo <version>\n"
const char* version() noexcept;     // the project's version alone: "0.1.0"

} // namespace Trillo
