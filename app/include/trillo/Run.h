#pragma once

namespace Trillo {

// One run of the tool, as main gets it; returns the exit status.
//
//   trillo FILE       dumps the VSQ file to standard output
//   trillo -          the same, with the file read from standard input
//   trillo --help     a short help on standard output
//   trillo --version  "trillo <version>" on standard output
//
// Returns 0 when the dump (or the help, or the version) is complete on
// standard output.  Any other argument count writes the usage line to
// standard error and returns 1.  Every failure writes its one "Error: " line
// to standard error and returns 1; what was dumped before it has then been
// handed to standard output's stream, which the process's normal exit
// flushes.
int run(int argc, char** argv);

} // namespace Trillo
