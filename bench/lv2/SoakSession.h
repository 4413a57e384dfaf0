#pragma once
// A long session of Corvane's LV2 bundle as a Linux host runs it: lilv
// instances at 48 kHz in 64-frame blocks over a drum loop, as fast as the
// machine goes, with
//   - the audio thread (the caller's) running every instance each block,
//     restoring a saved state into one instance every few seconds of audio
//     (between its runs, as the state interface asks);
//   - a host thread automating every control port of every instance at
//     random times, through a latest-value-wins mailbox the audio thread
//     empties into the ports at each block, and at the end setting every
//     port once more to a value the automation never uses (so it is a
//     change whatever reached the port before; solos at values that leave
//     both off, so the order the two land in cannot matter);
//   - when an X display is reachable, the editor of the first instance (the
//     bundle's UI through instance access) idling and redrawing at 25 Hz on
//     a third thread.
// It reports resident memory after a warm-up and at the end, whether every
// output sample was finite, the block times (thread CPU time of one
// instance's run) in the first and the last stretch of audio, and whether
// each port's last value is what the plug-in holds at the end (read from
// the state it saves: the parameters the engine takes at every block).
#include <string>

struct SoakOptions {
  double audioSeconds = 3600.0;
  int instances = 16;
  double restoreEverySeconds = 3.0;  // of audio, per instance (staggered)
  double windowSeconds = 600.0;      // first and last stretch compared (capped at a third)
  bool editor = true;                // when $DISPLAY names a server
};

struct BlockTimes {
  double meanNs = 0, worstNs = 0;
  long blocks = 0;
};

struct SoakReport {
  bool ok = false;  // the session ran (the bundle loaded, every instance made)
  std::string error;
  long nonFinite = 0;  // output samples that were not finite
  long lostChanges = 0;
  std::string firstLost;  // what the first lost change was
  double rssWarmMiB = 0, rssEndMiB = 0;
  BlockTimes first, last;
  long restores = 0, automationWrites = 0, editorIdles = 0;
  double wallSeconds = 0;
};

// bundleDir: the folder holding corvane.lv2's files.
SoakReport RunSoak(const SoakOptions& options, const std::string& bundleDir);
