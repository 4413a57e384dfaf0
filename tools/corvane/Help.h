#pragma once
// The command's documentation, said once. `--help`, `corvane help`, the
// manual page (corvane help --man, run at build time) and the shell
// completion (corvane help --complete) are all printed from these tables,
// so none of them can say something the others do not.
#include <cstdio>
#include <string>
#include <vector>

struct OptionHelp {
  char shortName;        // 0: long option only
  const char* longName;
  const char* argument;  // nullptr: the option takes no value; "FILE", "DIR", "a|b|c", ...
  const char* text;      // one paragraph
};

struct CommandHelp {
  const char* name;
  std::vector<const char*> synopsis;  // what follows "corvane " on each usage line
  const char* summary;                // one line, for the list of commands
  const char* description;            // paragraphs separated by a blank line
  std::vector<OptionHelp> options;
  bool takesSettings;
};

struct TermHelp {  // an exit status, a file or an environment variable
  const char* term;
  const char* text;
};

const std::vector<CommandHelp>& CommandHelps();
const CommandHelp* FindCommandHelp(const std::string& name);
const std::vector<OptionHelp>& SettingsHelp();
extern const char kSettingsIntro[];
extern const char kProgramDescription[];
const std::vector<TermHelp>& ExitStatusHelp();
const std::vector<TermHelp>& FilesHelp();
const std::vector<TermHelp>& EnvironmentHelp();

// Terminal forms, wrapped to 79 columns.
void PrintProgramHelp(FILE* out);
void PrintCommandHelp(const CommandHelp& command, FILE* out);
// The manual page corvane(1), in roff.
void PrintManPage(FILE* out);

// corvane help [COMMAND | --man | --complete WHAT]: returns the exit status.
int RunHelpCommand(int argc, char** argv);
