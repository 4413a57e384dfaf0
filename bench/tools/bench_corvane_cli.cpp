// A minute of stereo float WAV through `corvane process` as the command runs
// it (read, plug-in through the host calls, latency compensation, write),
// at the default settings and at a factory preset. The "x_realtime" counter
// is the audio's length over the wall time.
//
// The picture's cost: the same minute with both stems written against the
// same run drawing the picture instead (its parts come from units of its
// own), and with both (at the default settings the picture reuses the
// stems' units; at "Snare Attack+" it needs two more). These are timed by
// the job thread's CPU time (user and system: the files' writes count, the
// kernel's later write-back does not). Compare the medians; run with
// --benchmark_enable_random_interleaving=true so the repetitions of the
// variants alternate on a shared machine.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "bench/common/ThreadCpuClock.h"
#include "tools/corvane/AudioFiles.h"
#include "tools/corvane/DrumLoop.h"
#include "tools/corvane/ProcessJob.h"

namespace {

constexpr int kRate = 44100;
constexpr double kSeconds = 60.0;

// The input, written once per run of the benchmark program.
const std::string& InputFile() {
  static const std::string path = [] {
    const std::string p = "/tmp/bench-corvane-cli-" + std::to_string(getpid()) + ".wav";
    const std::vector<float> loop = SynthesizeDrumLoop(kRate, kSeconds);
    AudioWriter writer;
    std::string error;
    if (!writer.Open(p, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, kRate, &error) ||
        !writer.Write(loop.data(), static_cast<long long>(loop.size() / 2), &error) || !writer.Commit(&error))
      std::fprintf(stderr, "cannot write the input: %s\n", error.c_str());
    return p;
  }();
  return path;
}

enum Extras { kMixOnly = 0, kStems = 1, kPicture = 2, kStemsAndPicture = 3 };

void ProcessMinute(benchmark::State& state, int preset, int extras = kMixOnly) {
  ProcessJob job;
  job.input = InputFile();
  job.output = job.input + ".out.wav";
  job.settings.factoryPreset = preset;
  if (extras & kStems) {
    job.transientOutput = job.input + ".t.wav";
    job.residualOutput = job.input + ".r.wav";
  }
  if (extras & kPicture) {
    job.plot.path = job.input + ".png";
    job.plot.title = "drums.wav";
    job.plot.settingsText = preset < 0 ? "defaults" : "preset";
  }
  for (auto _ : state) {
    JobProgress progress;
    const double start = ThreadCpuNs();
    const ProcessResult r = RunProcessJob(job, &progress);
    if (extras != kMixOnly) state.SetIterationTime((ThreadCpuNs() - start) * 1e-9);
    if (!r.ok) {
      state.SkipWithError(r.error.c_str());
      break;
    }
  }
  state.counters["x_realtime"] =
      benchmark::Counter(kSeconds * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  for (const std::string* path : {&job.output, &job.transientOutput, &job.residualOutput, &job.plot.path})
    if (!path->empty()) std::remove(path->c_str());
}

void BM_ProcessMinuteDefault(benchmark::State& state) { ProcessMinute(state, -1); }
void BM_ProcessMinuteSnareAttackPlus(benchmark::State& state) { ProcessMinute(state, 0); }

BENCHMARK(BM_ProcessMinuteDefault)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3)->Repetitions(3);
BENCHMARK(BM_ProcessMinuteSnareAttackPlus)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3)->Repetitions(3);

void BM_MinuteStems(benchmark::State& state) { ProcessMinute(state, -1, kStems); }
void BM_MinutePicture(benchmark::State& state) { ProcessMinute(state, -1, kPicture); }
void BM_MinuteStemsAndPicture(benchmark::State& state) { ProcessMinute(state, -1, kStemsAndPicture); }
void BM_MinuteStemsSnareAttackPlus(benchmark::State& state) { ProcessMinute(state, 0, kStems); }
void BM_MinuteStemsAndPictureSnareAttackPlus(benchmark::State& state) { ProcessMinute(state, 0, kStemsAndPicture); }

#define PICTURE_BENCHMARK(name) \
  BENCHMARK(name)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1)->Repetitions(9)->ReportAggregatesOnly(true)
PICTURE_BENCHMARK(BM_MinuteStems);
PICTURE_BENCHMARK(BM_MinutePicture);
PICTURE_BENCHMARK(BM_MinuteStemsAndPicture);
PICTURE_BENCHMARK(BM_MinuteStemsSnareAttackPlus);
PICTURE_BENCHMARK(BM_MinuteStemsAndPictureSnareAttackPlus);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::remove(InputFile().c_str());
  return 0;
}
