#pragma once
// Checks shared by the end-to-end tests of the corvane command.
#include <sndfile.h>

#include <string>
#include <vector>

#include "tests/tools/CliRunner.h"

// Writes the synthetic drum loop (mono: the two channels averaged) as dir/name.
std::string MakeLoopInput(const std::string& dir, const std::string& name, double seconds = 2.0, int channels = 2,
                          int format = SF_FORMAT_WAV | SF_FORMAT_FLOAT);

// A run that must succeed.
CliResult Ok(const std::vector<std::string>& args);
// A run that must fail with the status and a one-line message containing `what`.
void Fails(const std::vector<std::string>& args, int status, const std::string& what);

// Largest sample difference between a and b read offsetB frames later.
double MaxDifference(const Audio& a, const Audio& b, long long offsetB = 0);
