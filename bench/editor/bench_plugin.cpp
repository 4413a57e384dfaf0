// The whole plug-in: construction (editor build and image decoding
// included), a full editor redraw, a meters-only redraw, the engine's
// real-time factor through the base's 32-bit processing with the real
// meters connected, what host parameter changes cost the audio thread
// (stored, posted to the editor's mailbox and applied to the engine, as
// LV2's run does) next to the block's processing, and blocks under gain
// automation.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "bench/editor/CorvaneUnderTest.h"
#include "plugin/Corvane.h"
#include "gui/IGraphics.h"

namespace {

constexpr double kRate = 44100.0;

void BM_Construction(benchmark::State& state) {
  for (auto _ : state) {
    auto c = NewCorvane();
    benchmark::DoNotOptimize(c.get());
  }
}
BENCHMARK(BM_Construction)->Unit(benchmark::kMicrosecond);

// Argument: the editor's scale (1, or 2 for high-density screens).
void BM_FullRedraw(benchmark::State& state) {
  auto c = NewCorvane();
  IGraphics* g = c->Editor();
  g->SetScale(static_cast<int>(state.range(0)));
  IRECT all(0, 0, g->Width(), g->Height());
  for (auto _ : state) {
    g->SetAllControlsDirty();
    g->Draw(&all);
  }
}
BENCHMARK(BM_FullRedraw)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

void BM_MetersRedraw(benchmark::State& state) {
  auto c = NewCorvane();
  IGraphics* g = c->Editor();
  IRECT all(0, 0, g->Width(), g->Height());
  g->Draw(&all);
  std::vector<double> l(512, 0.5), r(512, 0.25), ol(512), orr(512);
  double* in[2] = {l.data(), r.data()};
  double* out[2] = {ol.data(), orr.data()};
  c->ProcessDoubleReplacing(in, out, 512);  // lights the meters and marks them dirty
  for (auto _ : state) {
    state.PauseTiming();
    c->ProcessDoubleReplacing(in, out, 64);
    state.ResumeTiming();
    IRECT dirty;
    g->IsDirty(&dirty);
    g->Draw(&dirty);
  }
}
BENCHMARK(BM_MetersRedraw)->Unit(benchmark::kMicrosecond);

void BM_ProcessBuffersFloat(benchmark::State& state) {
  const int mode = static_cast<int>(state.range(0));
  const int block = static_cast<int>(state.range(1));
  auto c = StereoCorvane(mode, block);
  const size_t total = 16 * 4096;
  std::vector<float> inL(total), inR(total), outL(block), outR(block);
  std::mt19937 rng(1);
  std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
  for (size_t i = 0; i < total; ++i) {
    const float env = (i % 11025) < 300 ? 1.0f : 0.02f;
    inL[i] = 0.3f * std::sin(2.0f * 3.14159265f * 110.0f * i / 44100.0f) + env * noise(rng);
    inR[i] = inL[i] * 0.8f;
  }
  size_t pos = 0;
  for (auto _ : state) {
    ProcessFloatBlock(*c, &inL[pos], &inR[pos], outL.data(), outR.data(), block);
    pos += block;
    if (pos + block > total) pos = 0;
  }
  const double frames = static_cast<double>(state.iterations()) * block;
  state.counters["x_realtime"] = benchmark::Counter(frames / kRate, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ProcessBuffersFloat)
    ->ArgNames({"mode", "block"})
    ->ArgsProduct({{1, 2, 3}, {64, 512}})
    ->MinTime(0.5);

// One host change on the audio thread: the value stored, posted to the
// editor and applied to the engine.
void ApplyHostChange(Corvane& c, int paramIdx, double value) {
  c.GetParam(paramIdx)->Set(value);
  c.Editor()->SetParameterFromPlug(paramIdx, value, false);
  c.OnParamChangeRealtime(paramIdx);
}

void BM_HostChangeOnTheAudioThread(benchmark::State& state) {
  auto c = NewCorvane();
  int i = 0;
  for (auto _ : state) {
    ApplyHostChange(*c, kSensitivity, (i++ % 100) * 0.01);
  }
}
BENCHMARK(BM_HostChangeOnTheAudioThread);

// Blocks of mode 1 with `changes` host parameter changes before each (the
// eleven parameters in turn), against the same blocks with none.
void BM_ProcessWithHostChanges(benchmark::State& state) {
  const int block = static_cast<int>(state.range(0));
  const int changes = static_cast<int>(state.range(1));
  auto c = NewCorvane();
  c->SetBlockSize(block);
  c->SetInputChannelConnections(0, 2, true);
  c->SetOutputChannelConnections(0, 2, true);
  std::vector<float> inL(block), inR(block), outL(block), outR(block);
  for (int t = 0; t < block; ++t) inL[t] = inR[t] = 0.3f * std::sin(0.05f * t);
  int n = 0;
  for (auto _ : state) {
    for (int k = 0; k < changes; ++k, ++n) {
      const int idx = kAmount + n % 4;  // amount, sensitivity and the pans: no mode or solo flips
      ApplyHostChange(*c, idx, (n % 50) * 0.02);
    }
    float* ins[2] = {inL.data(), inR.data()};
    float* outs[2] = {outL.data(), outR.data()};
    c->AttachInputBuffers(0, 2, ins, block);
    c->AttachOutputBuffers(0, 2, outs);
    c->ProcessBuffers(0.0f, block);
  }
  const double frames = static_cast<double>(state.iterations()) * block;
  state.counters["x_realtime"] = benchmark::Counter(frames / kRate, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ProcessWithHostChanges)
    ->ArgNames({"block", "changes"})
    ->ArgsProduct({{64, 512}, {0, 4, 11}})
    ->MinTime(0.5);

// Automation of both gain faders in the heaviest mode: a new value of each
// before every block, so the smoothed gains move at every sample (the gain
// law and the faders' text on the audio thread).
void BM_ProcessWithGainAutomation(benchmark::State& state) {
  const int block = static_cast<int>(state.range(0));
  auto c = StereoCorvane(3, block);
  std::vector<float> inL(block), inR(block), outL(block), outR(block);
  for (int t = 0; t < block; ++t) inL[t] = inR[t] = 0.3f * std::sin(0.05f * t);
  int n = 0;
  for (auto _ : state) {
    ++n;
    ApplyHostChange(*c, kTransient, 0.5 + (n % 40) * 0.01);
    ApplyHostChange(*c, kResidual, 0.9 - (n % 40) * 0.01);
    ProcessFloatBlock(*c, inL.data(), inR.data(), outL.data(), outR.data(), block);
  }
  const double frames = static_cast<double>(state.iterations()) * block;
  state.counters["x_realtime"] = benchmark::Counter(frames / kRate, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ProcessWithGainAutomation)->ArgName("block")->Arg(64)->Arg(512)->MinTime(0.5);

}  // namespace

BENCHMARK_MAIN();
