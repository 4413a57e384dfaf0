// A minute of stereo float WAV through `corvane process` as the command runs
// it (read, plug-in through the host calls, latency compensation, write),
// at the default settings and at a factory preset. The "x_realtime" counter
// is the audio's length over the wall time.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <string>

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

void ProcessMinute(benchmark::State& state, int preset) {
  ProcessJob job;
  job.input = InputFile();
  job.output = job.input + ".out.wav";
  job.settings.factoryPreset = preset;
  for (auto _ : state) {
    JobProgress progress;
    const ProcessResult r = RunProcessJob(job, &progress);
    if (!r.ok) {
      state.SkipWithError(r.error.c_str());
      break;
    }
  }
  state.counters["x_realtime"] =
      benchmark::Counter(kSeconds * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  std::remove(job.output.c_str());
}

void BM_ProcessMinuteDefault(benchmark::State& state) { ProcessMinute(state, -1); }
void BM_ProcessMinuteSnareAttackPlus(benchmark::State& state) { ProcessMinute(state, 0); }

BENCHMARK(BM_ProcessMinuteDefault)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3)->Repetitions(3);
BENCHMARK(BM_ProcessMinuteSnareAttackPlus)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3)->Repetitions(3);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::remove(InputFile().c_str());
  return 0;
}
