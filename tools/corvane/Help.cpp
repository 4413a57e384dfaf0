// The help tables printed for a terminal, and `corvane help`.
#include "tools/corvane/Help.h"

#include <cstring>

#include "tools/corvane/CommandLine.h"
#include "tools/corvane/CorvaneUnit.h"

namespace {

constexpr int kWidth = 79;
constexpr int kOptionColumn = 28;  // where an option's text starts

// Prints text from the current column `at` (the first line) and `indent`
// (the others), breaking at spaces before kWidth; "\n\n" starts a paragraph.
void PrintWrapped(FILE* out, const char* text, int at, int indent) {
  int column = at;
  const char* p = text;
  while (*p) {
    if (p[0] == '\n') {
      std::fputs(p[1] == '\n' ? "\n\n" : "\n", out);
      p += p[1] == '\n' ? 2 : 1;
      std::fprintf(out, "%*s", indent, "");
      column = indent;
      continue;
    }
    const size_t word = std::strcspn(p, " \n");
    if (column > indent && column + 1 + static_cast<int>(word) > kWidth) {
      std::fprintf(out, "\n%*s", indent, "");
      column = indent;
    } else if (column > indent) {
      std::fputc(' ', out);
      ++column;
    }
    std::fwrite(p, 1, word, out);
    column += static_cast<int>(word);
    p += word;
    while (*p == ' ') ++p;
  }
  std::fputc('\n', out);
}

std::string OptionTerm(const OptionHelp& o) {
  std::string term = o.shortName ? std::string("-") + o.shortName + ", " : "    ";
  term += std::string("--") + o.longName;
  if (o.argument) term += std::string(" ") + o.argument;
  return term;
}

void PrintOptions(const std::vector<OptionHelp>& options, FILE* out) {
  for (const OptionHelp& o : options) {
    const std::string term = "  " + OptionTerm(o);
    std::fputs(term.c_str(), out);
    if (static_cast<int>(term.size()) + 2 > kOptionColumn) std::fprintf(out, "\n%*s", kOptionColumn, "");
    else std::fprintf(out, "%*s", kOptionColumn - static_cast<int>(term.size()), "");
    PrintWrapped(out, o.text, kOptionColumn, kOptionColumn);
  }
}

void PrintCompletion(const std::string& what, const char* command, FILE* out) {
  if (what == "commands") {
    for (const CommandHelp& c : CommandHelps()) std::fprintf(out, "%s\n", c.name);
  } else if (what == "modes") {
    std::fputs("haar\ndaub4\nbior68\n", out);
  } else if (what == "presets") {
    AUHost unit;
    std::string error;
    if (OpenCorvane(&unit, 2, 44100.0, 512, &error))
      for (const std::string& name : unit.FactoryPresets()) std::fprintf(out, "%s\n", name.c_str());
  } else if (what == "options" && command) {
    // "--name ARGUMENT" (and "-n ARGUMENT") per line, so the completion
    // knows what follows each option.
    const CommandHelp* c = FindCommandHelp(command);
    if (!c) return;
    std::vector<OptionHelp> all = c->options;
    if (c->takesSettings) all.insert(all.end(), SettingsHelp().begin(), SettingsHelp().end());
    for (const OptionHelp& o : all) {
      const char* argument = o.argument ? o.argument : "";
      const char* space = o.argument ? " " : "";
      std::fprintf(out, "--%s%s%s\n", o.longName, space, argument);
      if (o.shortName) std::fprintf(out, "-%c%s%s\n", o.shortName, space, argument);
    }
  }
}

}  // namespace

void PrintProgramHelp(FILE* out) {
  std::fputs("Usage: corvane COMMAND [OPTIONS]\n", out);
  PrintWrapped(out, kProgramDescription, 0, 0);
  std::fputs("\nCommands:\n", out);
  for (const CommandHelp& c : CommandHelps()) {
    std::fprintf(out, "  %-20s", c.name);
    PrintWrapped(out, c.summary, 22, 22);
  }
  std::fputs("\n'corvane help COMMAND' or 'corvane COMMAND --help' describes a command;\n"
             "'man corvane' describes them all.\n\nExit status:\n", out);
  for (const TermHelp& t : ExitStatusHelp()) {
    std::fprintf(out, "  %-10s", t.term);
    PrintWrapped(out, t.text, 12, 12);
  }
}

void PrintCommandHelp(const CommandHelp& command, FILE* out) {
  for (size_t i = 0; i < command.synopsis.size(); ++i)
    std::fprintf(out, "%s corvane %s\n", i == 0 ? "Usage:" : "      ", command.synopsis[i]);
  PrintWrapped(out, command.description, 0, 0);
  std::fputs("\nOptions:\n", out);
  PrintOptions(command.options, out);
  if (!command.takesSettings) return;
  std::fputs("\nSettings:\n", out);
  PrintWrapped(out, kSettingsIntro, 2, 2);
  PrintOptions(SettingsHelp(), out);
}

int RunHelpCommand(int argc, char** argv) {
  if (argc < 2) {
    PrintProgramHelp(stdout);
    return kExitOk;
  }
  const std::string what = argv[1];
  if (what == "--man" && argc == 2) {
    PrintManPage(stdout);
    return kExitOk;
  }
  if (what == "--complete" && (argc == 3 || argc == 4)) {
    PrintCompletion(argv[2], argc == 4 ? argv[3] : nullptr, stdout);
    return kExitOk;
  }
  if (what == "-h" || what == "--help") {
    PrintCommandHelp(*FindCommandHelp("help"), stdout);
    return kExitOk;
  }
  const CommandHelp* command = argc == 2 ? FindCommandHelp(what) : nullptr;
  if (!command) return UsageError("help", "\"" + what + "\" is not a command (commands: process, info, snapshot, demo, gui, help)");
  PrintCommandHelp(*command, stdout);
  return kExitOk;
}
