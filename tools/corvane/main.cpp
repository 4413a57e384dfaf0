// corvane: the Corvane plug-in at the terminal. Every subcommand hosts the
// plug-in through the host-side Audio Unit calls, as a DAW would.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include <unistd.h>

#include "plugin/CorvaneIdentity.h"
#include "tools/auhost/AtomicFile.h"
#include "tools/corvane/CommandLine.h"
#include "tools/corvane/Commands.h"
#include "tools/corvane/Help.h"
#include "tools/corvane/ProcessJob.h"

namespace {

volatile std::sig_atomic_t gSignal = 0;

// The first signal asks the work to stop at the next block (it then removes
// its temporary files); a second one removes them at once and exits.
void OnSignal(int sig) {
  if (gSignal) {
    RemovePendingTempFiles();
    _exit(128 + sig);
  }
  gSignal = sig;
  gCancelRequested.store(true);
}

void InstallSignalHandlers() {
  struct sigaction sa = {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGHUP, &sa, nullptr);
  // A file-size limit or a closed pipe should fail the write, not kill us.
  std::signal(SIGXFSZ, SIG_IGN);
  std::signal(SIGPIPE, SIG_IGN);
}

}  // namespace

int InterruptedStatus() { return gSignal ? 128 + gSignal : 0; }

int main(int argc, char** argv) {
  InstallSignalHandlers();
  if (argc < 2) {
    PrintProgramHelp(stderr);
    return kExitUsage;
  }
  const std::string command = argv[1];
  if (command == "-h" || command == "--help") {
    PrintProgramHelp(stdout);
    return kExitOk;
  }
  if (command == "help") return RunHelpCommand(argc - 1, argv + 1);
  if (command == "--version" || command == "-V") {
    std::printf("corvane %s\n", kCorvaneVersionText);
    return kExitOk;
  }
  int status;
  if (command == "process") status = RunProcessCommand(argc - 1, argv + 1);
  else if (command == "info") status = RunInfoCommand(argc - 1, argv + 1);
  else if (command == "snapshot") status = RunSnapshotCommand(argc - 1, argv + 1);
  else if (command == "demo") status = RunDemoCommand(argc - 1, argv + 1);
  else if (command == "gui") status = RunGuiCommand(argc - 1, argv + 1);
  else {
    std::fprintf(stderr, "corvane: unknown command \"%s\" (see 'corvane --help')\n", command.c_str());
    return kExitUsage;
  }
  RemovePendingTempFiles();  // nothing half-written survives, whatever happened
  return status;
}
