// Writes the media probes' seeds: wave files in each encoding the probe
// knows, MIDI songs bare and wrapped, a tempo map, SMPTE timing, and videos.

#include "FuzzSupport.h"
#include "support/mci_test_support.h"

// The layouts name only the fields that differ from a plain file.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

int main(int argc, char** argv) {
  using namespace zarn::testing_media;
  return zarn::fuzz::WriteSeeds(argc, argv, [](auto&& seed) {
    auto put = [&](const Bytes& b) {
      seed(std::string_view(reinterpret_cast<const char*>(b.data()), b.size()));
    };
    put(MakeWave({.data_bytes = 64}));
    put(MakeWave({.tag = 2, .block_align = 64, .bits = 4, .data_bytes = 200}));
    put(MakeWave({.tag = 0x11,
                  .channels = 2,
                  .block_align = 72,
                  .bits = 4,
                  .data_bytes = 300,
                  .samples_per_block = 65}));
    put(MakeWave({.tag = 0x55, .data_bytes = 32, .fact = 4000}));
    put(MakeWave({.tag = 0x55, .data_bytes = 32}));

    Bytes conductor;
    PutTempo(conductor, 0, 400000);
    PutTempo(conductor, 960, 250000);
    PutEndOfTrack(conductor, 0);
    Bytes notes;
    PutNote(notes, 10, 0x90, 60);
    notes.insert(notes.end(), {0x10, 62, 0x40, 0x00, 0xC0, 0x05, 0x00, 0xF0, 0x02, 0x7E, 0xF7});
    PutEndOfTrack(notes, 1920);
    const Bytes song = MakeMidi(1, 480, {conductor, notes});
    put(song);
    put(MakeMidi(0, 0xE728, {notes}));  // 25 frames a second, 40 ticks each
    Bytes rmid;
    PutChunk(rmid, "data", song);
    put(Riff("RMID", rmid));

    put(MakeAvi({}));
    put(MakeAvi({.micros_per_frame = 33367, .frames = 0}));
  });
}
