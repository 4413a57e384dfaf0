#pragma once
// The subcommands; each takes its own argv (argv[0] is the command name)
// and returns the process exit status.
int RunProcessCommand(int argc, char** argv);
int RunInfoCommand(int argc, char** argv);
int RunSnapshotCommand(int argc, char** argv);
int RunDemoCommand(int argc, char** argv);
int RunGuiCommand(int argc, char** argv);

// Exit status for a run stopped by a signal (128 + its number), or 0.
int InterruptedStatus();
