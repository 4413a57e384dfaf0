// An hour of audio through 16 instances of Corvane's LV2 bundle, as fast as
// the machine goes (SoakSession.h says what runs on which thread):
//
//   bench_lv2_soak [--seconds S] [--instances N] [--no-editor]
//
// Prints resident memory after the warm-up and at the end, the block times
// of the first and the last ten minutes, and the session's counts; exits 1
// when memory grew by 1 MiB or more, a sample was not finite, a change was
// lost, or the last stretch's mean block time drifted 25 % above the
// first's. The editor redraws only when $DISPLAY names an X server
// (xvfb-run gives one). $CORVANE_LV2_BUNDLE times another build's bundle.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/lv2/SoakSession.h"

int main(int argc, char** argv) {
  SoakOptions options;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--seconds") && i + 1 < argc) options.audioSeconds = std::atof(argv[++i]);
    else if (!std::strcmp(argv[i], "--instances") && i + 1 < argc) options.instances = std::atoi(argv[++i]);
    else if (!std::strcmp(argv[i], "--no-editor")) options.editor = false;
    else {
      std::fprintf(stderr, "usage: bench_lv2_soak [--seconds S] [--instances N] [--no-editor]\n");
      return 2;
    }
  }
  const char* other = std::getenv("CORVANE_LV2_BUNDLE");
  const SoakReport r = RunSoak(options, other && *other ? other : CORVANE_LV2_BUNDLE_DIR);
  if (!r.ok) {
    std::fprintf(stderr, "%s\n", r.error.c_str());
    return 1;
  }
  const double growth = r.rssEndMiB - r.rssWarmMiB;
  const double drift = r.first.meanNs > 0 ? r.last.meanNs / r.first.meanNs : 0.0;
  std::printf("audio: %.0f s through %d instances in %.1f s (%.0fx real time per instance)\n", options.audioSeconds,
              options.instances, r.wallSeconds, options.audioSeconds * options.instances / r.wallSeconds);
  std::printf("resident memory: %.2f MiB after warm-up, %.2f MiB at the end (growth %.3f MiB)\n", r.rssWarmMiB,
              r.rssEndMiB, growth);
  std::printf("block (64 frames, one instance, thread CPU): first stretch mean %.0f ns worst %.0f ns (%ld blocks)\n",
              r.first.meanNs, r.first.worstNs, r.first.blocks);
  std::printf("                                             last stretch  mean %.0f ns worst %.0f ns (%ld blocks)\n",
              r.last.meanNs, r.last.worstNs, r.last.blocks);
  std::printf("mean last/first: %.3f\n", drift);
  std::printf("non-finite samples: %ld; state restores: %ld; automation writes: %ld; editor idles: %ld\n",
              r.nonFinite, r.restores, r.automationWrites, r.editorIdles);
  std::printf("lost changes: %ld%s%s\n", r.lostChanges, r.lostChanges ? " (first: " : "",
              r.lostChanges ? (r.firstLost + ")").c_str() : "");
  const bool ok = growth < 1.0 && r.nonFinite == 0 && r.lostChanges == 0 && drift < 1.25;
  std::printf("%s\n", ok ? "soak passed" : "soak FAILED");
  return ok ? 0 : 1;
}
