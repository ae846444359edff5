// runPack: the driver of trillo-pack.
#pragma once

namespace Trillo {

// One run of `trillo-pack [DUMP]`: reads trillo's dump from the file DUMP, or
// from standard input when DUMP is "-" or missing, and writes the VSQ file it
// shows to standard output.  The whole dump is read and checked before the
// first byte is written, so a dump with a fault writes nothing.  Returns 0 on
// success; on failure writes one line to standard error and returns 1:
//
//   usage: trillo-pack [DUMP]                   more than one argument
//   trillo-pack: line N: <what is wrong>        the dump is not one trillo writes,
//                                               or shows what cannot be written
//   trillo-pack: cannot open the dump           (and the other failures of the
//   trillo-pack: cannot read the dump            system, without a line)
//   trillo-pack: cannot write standard output
//   trillo-pack: out of memory
int runPack(int argc, char** argv);

} // namespace Trillo
