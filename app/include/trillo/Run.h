#pragma once

namespace Trillo {

// One run of `trillo <file>`: dumps the VSQ file named by argv[1] to standard
// output.  Returns 0 on success; every failure writes its one line to
// standard error and ends the process with status 1 (the usage line for a
// wrong argument count).  It sets standard output's buffering, so it runs
// once per process, before anything else writes to standard output.
int run(int argc, char** argv);

} // namespace Trillo
