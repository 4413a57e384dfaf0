// The command's documentation against the command itself: what the help
// (and so the manual page and the completion) lists is what the parsers
// take, and `info` tells declared defaults from current values.
#include <gtest/gtest.h>

#include <sstream>

#include "tests/tools/CliChecks.h"

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) lines.push_back(line);
  return lines;
}

// Catches an option documented but not parsed (or renamed in one place
// only): every documented option, given a value when it takes one, must
// get past the option parser, which names unknown options.
TEST(CorvaneHelp, EveryDocumentedOptionIsTakenByItsCommand) {
  const auto commands = Lines(Ok({"help", "--complete", "commands"}).out);
  ASSERT_GE(commands.size(), 6u);
  for (const std::string& command : commands) {
    if (command == "help") continue;
    const auto options = Lines(Ok({"help", "--complete", "options", command}).out);
    EXPECT_FALSE(options.empty()) << command;
    for (const std::string& line : options) {
      const std::string name = line.substr(0, line.find(' '));
      const std::string nowhere = "/nonexistent-corvane-help-test";
      std::vector<std::string> args = {command, name};
      if (line.find(' ') != std::string::npos) args.push_back(nowhere);
      // Three operands no command takes: each run ends in a usage error
      // after its options are parsed (or in --help), and touches nothing.
      for (const char* operand : {"/a", "/b", "/c"}) args.push_back(nowhere + operand);
      const CliResult r = RunCli(args);
      EXPECT_EQ(r.err.find("unknown option"), std::string::npos) << command << " " << name << ": " << r.err;
      EXPECT_EQ(r.err.find("unrecognized option"), std::string::npos) << command << " " << name << ": " << r.err;
    }
  }
  EXPECT_EQ(Ok({"help", "process"}).out, Ok({"process", "--help"}).out);
  EXPECT_EQ(RunCli({"help", "bogus"}).status, 2);
}

// The unit reports a parameter's current value as its default; the
// command must show the declared one, whatever the settings given.
TEST(CorvaneHelp, InfoShowsTheDeclaredDefaultBesideTheCurrentValue) {
  const CliResult info = Ok({"info", "--amount", "0.3"});
  std::string amountLine;
  for (const std::string& line : Lines(info.out))
    if (line.find(" amount ") != std::string::npos) amountLine = line;
  ASSERT_FALSE(amountLine.empty()) << info.out;
  std::istringstream fields(amountLine);
  std::string index, name, range, declared;
  fields >> index >> name >> range >> declared;
  EXPECT_EQ(declared, "0.7") << amountLine;
  EXPECT_NE(amountLine.find("0.3"), std::string::npos) << amountLine;
}

}  // namespace
