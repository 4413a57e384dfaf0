#pragma once
// ParamHandover: the parameters' values handed to the audio thread whole.
//
// Parameters are stored by whichever thread changes them (a host, the
// editor, a restored preset or state), but the audio path is derived from
// them on the audio thread alone, at the start of each block. A change that
// spans several parameters (a restore, a mode that switches the others off)
// is written inside one write section, and the audio thread takes values
// only between sections, so it sees all of a section or none of it.
//
// Writers: BeginWrite/EndWrite, nested sections counting as one. Writers
// must not overlap: they hold the plug-in's lock, or (LV2) follow the host's
// threading rules, under which the audio class and the instantiation class
// never run at once.
//
// Reader (audio thread): Take reads every value at every block with a
// sequence check (a generation counter, odd while a section is open) and
// never waits: when a section is open or closes during the read, it takes
// nothing this time and tries again at the next block. A single value
// stored outside any section is taken too, at the next block.
#include <atomic>
#include <cstdint>

#include "framework/Containers.h"

class IParam;

class ParamHandover {
public:
  explicit ParamHandover(int nParams);
  ParamHandover(const ParamHandover&) = delete;
  ParamHandover& operator=(const ParamHandover&) = delete;

  // Writer thread.
  void BeginWrite();
  void EndWrite();

  // Audio thread. Unless a section is open, reads the value of every
  // parameter in params and calls changed(index, value) for each that
  // differs (to the bit) from the value taken last time; the first take
  // reports every parameter. Returns whether it took.
  template <class Changed>
  bool Take(const WDL_PtrList<IParam>& params, Changed changed);

private:
  // Reads every value into mRead; false when a writer began a section
  // meanwhile (the generation is no longer `generation`).
  bool readWhole(const WDL_PtrList<IParam>& params, uint32_t generation);
  static bool SameBits(double a, double b);

  std::atomic<uint32_t> mGeneration{0};
  int mWriteDepth = 0;  // writer side only
  bool mTakenAny = false;
  WDL_TypedBuf<double> mRead;   // audio thread: this take's values
  WDL_TypedBuf<double> mTaken;  // audio thread: the values reported last
};

template <class Changed>
bool ParamHandover::Take(const WDL_PtrList<IParam>& params, Changed changed) {
  const uint32_t generation = mGeneration.load(std::memory_order_acquire);
  if (generation & 1u) return false;
  if (!readWhole(params, generation)) return false;
  const int n = mRead.GetSize();
  const double* read = mRead.Get();
  double* taken = mTaken.Get();
  for (int i = 0; i < n; ++i) {
    if (mTakenAny && SameBits(read[i], taken[i])) continue;
    taken[i] = read[i];
    changed(i, read[i]);
  }
  mTakenAny = true;
  return true;
}
