// Writes the bundled example VSQ files into the folder given.
#include <cstdio>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "SmfWriter.h"

namespace {

using namespace Fixture;

bool save(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

// A short song: a tempo change and a time signature change in the master
// track; two voices whose frames are cut small and stored partly out of order.
Bytes song() {
    Track master;
    master.meta(0, 0x03, "Master Track")
        .timeSignature(0, 4, 2)
        .tempo(0, 500000)
        .tempo(1920, 461538)
        .timeSignature(1920, 3, 2)
        .endOfTrack();
    const std::string lead = "[Voice]\nName=Lead\nColour=181,162,123\nMuted=0\n"
                             "[Notes]\n0=note 60 length 480 syllable la\n1920=note 62 length 480 syllable li\n"
                             "2400=end\n"
                             "[Expression]\nVolume=64\nPan=-12\nComment=a = b, [not a section]\n";
    const std::string harmony = "[Voice]\nName=Harmony\nColour=100,120,200\nMuted=1\n[Notes]\n0=end";
    std::vector<std::size_t> order(dmFrames(lead, 48).size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::swap(order[0], order[1]); // frames 1 and 0, then 4 before 3
    std::swap(order.at(3), order.at(4));
    Track leadTrack = dmTrack(lead, 48, order);
    Track harmonyTrack = dmTrack(harmony, 48);
    return smf(Header(), {master, leadTrack, harmonyTrack});
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: make_examples <folder>\n", stderr);
        return 1;
    }
    const std::string folder = argv[1];
    const bool ok = save(folder + "/two-voices.vsq", workedExample()) && save(folder + "/song.vsq", song());
    if (!ok) std::fputs("make_examples: cannot write the examples\n", stderr);
    return ok ? 0 : 1;
}
