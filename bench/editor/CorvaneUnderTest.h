#pragma once
// Corvane instances set up as a host sets them up.
#include <memory>

#include "plugin/Corvane.h"

// Made by the plug-in's factory, parameters at their defaults.
inline std::unique_ptr<Corvane> NewCorvane() {
  std::unique_ptr<Corvane> c(static_cast<Corvane*>(MakePlug()));
  c->OnParamReset();
  return c;
}

// Ready for the base's processing: wavelet `mode` (1 Haar, 2 Daubechies-4,
// 3 biorthogonal 6.8) chosen as the editor's button does, blocks of at most
// `block` frames announced, two inputs and two outputs connected.
inline std::unique_ptr<Corvane> StereoCorvane(int mode, int block) {
  auto c = NewCorvane();
  c->SetParameterFromGUI(kMode1 + mode - 1, 1.0);
  c->SetBlockSize(block);
  c->SetInputChannelConnections(0, 2, true);
  c->SetOutputChannelConnections(0, 2, true);
  return c;
}

// One block through the base's 32-bit processing, the real meters fed.
inline void ProcessFloatBlock(Corvane& c, float* inL, float* inR, float* outL, float* outR, int block) {
  float* ins[2] = {inL, inR};
  float* outs[2] = {outL, outR};
  c.AttachInputBuffers(0, 2, ins, block);
  c.AttachOutputBuffers(0, 2, outs);
  c.ProcessBuffers(0.0f, block);
}
