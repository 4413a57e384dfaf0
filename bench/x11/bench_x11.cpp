// The editor in an X window on a virtual X server (Xvfb, started here):
// one dirty-region redraw with its copy to the screen, and the CPU an open
// editor takes with its meters moving at 25 frames per second.
//
// The CPU figure is this process's alone; the X server's share of the
// copies is not included.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <string>
#include <thread>

#include "editor/VUmetre.h"
#include "plugin/Corvane.h"
#include "gui/x11/IGraphicsX11.h"
#include "gui/x11/X11Windowing.h"

namespace {

// Xvfb for the whole run, on a display number it picks (-displayfd).
class Xvfb {
public:
  Xvfb() {
    int fds[2];
    if (access("/usr/bin/Xvfb", X_OK) != 0 || pipe(fds) != 0) return;
    mPid = fork();
    if (mPid == 0) {
      close(fds[0]);
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      const int devnull = open("/dev/null", O_RDWR);
      dup2(devnull, 0);
      dup2(devnull, 1);
      dup2(devnull, 2);
      const std::string fd = std::to_string(fds[1]);
      execl("/usr/bin/Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen", "0",
            "800x700x24", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    std::string number;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (!number.empty()) setenv("DISPLAY", (":" + number).c_str(), 1);
  }
  ~Xvfb() {
    if (mPid > 0) {
      kill(mPid, SIGTERM);
      waitpid(mPid, nullptr, 0);
    }
  }

private:
  pid_t mPid = -1;
};

Xvfb& Server() {
  static Xvfb server;
  return server;
}

double CpuSeconds() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec + t.tv_nsec * 1e-9;
}

struct OpenEditor {
  OpenEditor() {
    Server();
    plug.reset(static_cast<Corvane*>(MakePlug()));
    plug->OnParamReset();
    g = X11EditorOfPlug(plug.get());
    // The server may still be starting up: try for a second.
    for (int i = 0; g && !ok && i < 100; ++i) {
      ok = g->OpenEditor(0);
      if (!ok) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    for (int i = 0; ok && i < 10; ++i) {  // map, first full draw
      g->Idle();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  ~OpenEditor() {
    if (g) g->CloseWindow();
  }
  // What the audio thread does between two redraws.
  void MoveMeters(int step) {
    const double level = 0.5 + 0.45 * std::sin(step * 0.3);
    plug->TransientMeter()->SetVolumes(level, level * 0.8);
    plug->ResidualMeter()->SetVolumes(level * 0.6, level * 0.9);
    plug->TransientMeter()->SetDirty(false);
    plug->ResidualMeter()->SetDirty(false);
  }
  std::unique_ptr<Corvane> plug;
  IGraphicsX11* g = nullptr;
  bool ok = false;
};

void BM_DirtyRegionRedrawAndCopy(benchmark::State& state) {
  OpenEditor e;
  if (!e.ok) {
    state.SkipWithError("no X server");
    return;
  }
  state.counters["shm"] = e.g->X11()->UsesSharedMemory() ? 1 : 0;
  int step = 0;
  for (auto _ : state) {
    e.MoveMeters(++step);
    IRECT dirty;
    e.g->IsDirty(&dirty);
    e.g->Draw(&dirty);  // draws the meters and copies that region to the window
  }
}
BENCHMARK(BM_DirtyRegionRedrawAndCopy)->Unit(benchmark::kMicrosecond);

void BM_IdleEditorCpuAt25Fps(benchmark::State& state) {
  OpenEditor e;
  if (!e.ok) {
    state.SkipWithError("no X server");
    return;
  }
  for (auto _ : state) {
    const double cpu0 = CpuSeconds();
    const auto wall0 = std::chrono::steady_clock::now();
    const auto end = wall0 + std::chrono::seconds(2);
    int step = 0;
    // A host's idle loop: the editor's own timer decides when to redraw.
    while (std::chrono::steady_clock::now() < end) {
      e.MoveMeters(++step);
      e.g->X11()->Pump(-1);  // sleeps until the next tick or event
    }
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    state.counters["cpu_percent"] = 100.0 * (CpuSeconds() - cpu0) / wall;
    state.counters["wakeups_per_s"] = step / wall;  // 25 when only the timer wakes it
  }
}
BENCHMARK(BM_IdleEditorCpuAt25Fps)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
