// The manual page corvane(1), written in roff from the help tables. The
// build runs `corvane help --man` to make it, so the page and --help never
// disagree.
#include <string>

#include "plugin/CorvaneIdentity.h"
#include "tools/corvane/Help.h"

namespace {

// Text as roff reads it: backslashes and hyphens escaped, a line never
// starting with a control character, paragraphs as .PP.
std::string Roff(const char* text) {
  std::string out;
  bool lineStart = true;
  for (const char* p = text; *p; ++p) {
    if (p[0] == '\n' && p[1] == '\n') {
      out += "\n.PP\n";
      ++p;
      lineStart = true;
      continue;
    }
    if (lineStart && (*p == '.' || *p == '\'')) out += "\\&";
    lineStart = *p == '\n';
    if (*p == '\\') out += "\\e";
    else if (*p == '-') out += "\\-";
    else out += *p;
  }
  return out;
}

void Option(FILE* out, const OptionHelp& o) {
  std::fputs(".TP\n", out);
  if (o.shortName) std::fprintf(out, "\\fB\\-%c\\fR, ", o.shortName);
  std::fprintf(out, "\\fB\\-\\-%s\\fR", Roff(o.longName).c_str());
  if (o.argument) std::fprintf(out, " \\fI%s\\fR", Roff(o.argument).c_str());
  std::fprintf(out, "\n%s\n", Roff(o.text).c_str());
}

void Terms(FILE* out, const char* section, const std::vector<TermHelp>& terms) {
  std::fprintf(out, ".SH %s\n", section);
  for (const TermHelp& t : terms) std::fprintf(out, ".TP\n.B %s\n%s\n", Roff(t.term).c_str(), Roff(t.text).c_str());
}

}  // namespace

void PrintManPage(FILE* out) {
  std::fprintf(out, ".TH CORVANE 1 \"\" \"%s %s\" \"User Commands\"\n", kCorvaneName, kCorvaneVersionText);
  std::fputs(".SH NAME\ncorvane \\- split audio into its transient and residual parts\n.SH SYNOPSIS\n", out);
  for (const CommandHelp& c : CommandHelps())
    for (const char* line : c.synopsis) std::fprintf(out, ".B corvane\n%s\n.br\n", Roff(line).c_str());
  std::fputs(".B corvane \\-\\-version\n", out);
  std::fprintf(out, ".SH DESCRIPTION\n%s\n.SH COMMANDS\n", Roff(kProgramDescription).c_str());
  for (const CommandHelp& c : CommandHelps()) {
    std::fprintf(out, ".SS %s\n%s\n", c.name, Roff(c.description).c_str());
    std::fputs(".PP\nOptions:\n.RS\n", out);
    for (const OptionHelp& o : c.options) Option(out, o);
    std::fprintf(out, ".RE\n%s", c.takesSettings ? ".PP\nand the settings options below.\n" : "");
  }
  std::fprintf(out, ".SH SETTINGS\n%s\n", Roff(kSettingsIntro).c_str());
  for (const OptionHelp& o : SettingsHelp()) Option(out, o);
  Terms(out, "EXIT STATUS", ExitStatusHelp());
  Terms(out, "ENVIRONMENT", EnvironmentHelp());
  Terms(out, "FILES", FilesHelp());
  std::fputs(".SH SEE ALSO\n.BR jackd (1),\n.BR lv2ls (1)\n", out);
}
