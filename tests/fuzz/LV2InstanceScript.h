#pragma once
// A random LV2 host that bytes script: it finds Corvane through its LV2
// descriptor only (as a host that loaded the library would), instantiates
// it at a sample rate and with features the bytes choose (absurd rates and
// block lengths included), and then makes any sequence of the calls the LV2
// contract allows: activate, deactivate, connect_port, run with any number
// of frames, control ports holding any float (NaN, infinities, subnormals,
// huge, negative, changing every block), state save and restore through the
// state interface with an in-memory store, and state data of any size and
// content. Audio is finite.
//
// Checked inside, besides crashes and sanitizer reports:
//   - every output sample finite and within OutputPeakBound of the largest
//     input sample fed so far (OutputBound.h says why);
//   - the latency port reads 4096 after every run;
//   - every saved state is one finite value per parameter, each in 0..1,
//     exactly one mode parameter at 1 (the others at 0), not both solos on;
//   - a control port whose value changed since the last run (and is a
//     number) reaches its parameter, clamped into range; the wavelet port
//     chooses the nearest mode, clamped into 0..2;
//   - a state restore that is accepted is saved back in its normalised form
//     (values clamped, the last mode at exactly 1 kept, else the one in
//     force; a solo on switches the other to 0, and of two on the
//     residual's stays); a refused one changes
//     nothing, and a whole, finite state is never refused.
#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz_test {

// "" when every check held; else what failed.
std::string RunLV2InstanceScript(const uint8_t* data, size_t size);

}  // namespace fuzz_test
