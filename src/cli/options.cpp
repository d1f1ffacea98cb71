#include "cli/options.h"

#include <cstring>
#include <optional>

namespace zur::cli {

std::string Unescape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == 'n' || text[i + 1] == '\\')) {
      out.push_back(text[i + 1] == 'n' ? '\n' : '\\');
      ++i;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

Options ParseOptions(int argc, const char* const* argv) {
  Options o;
  bool commandSet = false;
  auto setCommand = [&](Options::Command c) {
    if (commandSet && o.command != c) o.error = "only one of --search, --rename, --undo and --cut-short may be given";
    o.command = c;
    commandSet = true;
  };
  bool onlyPaths = false;
  // -i, -w and -e apply to the next -r (or --search) and are then used up.
  bool ignoreCase = false, word = false, regex = false;
  auto takeFlags = [&](bool& i, bool& w, bool& e) {
    i = ignoreCase;
    w = word;
    e = regex;
    ignoreCase = word = regex = false;
  };
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    // A long option may carry its one value after "=" (--ext=htm,txt).
    std::optional<std::string> attached;
    if (!onlyPaths && a.size() > 2 && a.compare(0, 2, "--") == 0 && a.find('=') != std::string::npos) {
      attached = a.substr(a.find('=') + 1);
      a.erase(a.find('='));
    }
    auto need = [&](int count) {
      if (i + count < argc) return true;
      o.error = "option " + a + " needs " + (count == 1 ? "a value" : "two values");
      return false;
    };
    // The value of an option that takes one: after "=", or the next argument.
    auto value = [&](std::string& out) {
      if (attached) {
        out = *attached;
        attached.reset();
        return true;
      }
      if (!need(1)) return false;
      out = argv[++i];
      return true;
    };
    if (onlyPaths || a.empty() || a[0] != '-' || a == "-") {
      o.paths.push_back(a);
    } else if (a == "--") {
      onlyPaths = true;
    } else if (a == "-h" || a == "--help") {
      o.command = Options::Command::Help;
      return o;
    } else if (a == "--version") {
      o.command = Options::Command::Version;
      return o;
    } else if (a == "-r" || a == "--rule") {
      if (!need(2)) return o;
      Options::RuleArgs rule;
      takeFlags(rule.ignoreCase, rule.word, rule.regex);
      // A pattern's own backslashes are the engine's ("\n" a line end, "\\" a backslash), so it is
      // given as it is; its replacement's "\n" is a line break either way.
      rule.find = rule.regex ? argv[i + 1] : Unescape(argv[i + 1]);
      rule.replacement = rule.regex ? argv[i + 2] : Unescape(argv[i + 2]);
      o.rules.push_back(std::move(rule));
      i += 2;
    } else if (a == "-i" || a == "--ignore-case") {
      ignoreCase = true;
    } else if (a == "-w" || a == "--word") {
      word = true;
    } else if (a == "-e" || a == "--regex") {
      regex = true;
    } else if (a == "--rules") {
      if (!o.ruleTable.empty()) o.error = "one rule table (--rules) at a time";
      if (!value(o.ruleTable)) return o;
    } else if (a == "--rules-from-window") {
      o.rulesFromWindow = true;
    } else if (a == "--ext") {
      std::string list;
      if (!value(list)) return o;
      o.extensions = list;
    } else if (a == "-g" || a == "--glob") {
      if (!value(o.globs.emplace_back())) return o;
    } else if (a == "--exclude-dir") {
      if (!value(o.excludeDirs.emplace_back())) return o;
    } else if (a == "--hidden" || a == "--no-hidden") {
      o.hidden = a == "--hidden";
    } else if (a == "--max-size") {
      std::string size;
      if (!value(size)) return o;
      o.maxSize = size;
    } else if (a == "-b" || a == "--backup") {
      if (!value(o.backup)) return o;
    } else if (a == "-m" || a == "--match") {
      o.match = true;
    } else if (a == "-n" || a == "--dry-run") {
      o.dryRun = true;
    } else if (a == "--json") {
      o.json = true;
    } else if (a == "-0" || a == "--null") {
      o.nul = true;
    } else if (a == "--follow") {
      o.follow = true;
    } else if (a == "-s" || a == "--search") {
      setCommand(Options::Command::Search);
      takeFlags(o.searchIgnoreCase, o.searchWord, o.searchRegex);
      if (!value(o.text)) return o;
      if (!o.searchRegex) o.text = Unescape(o.text);
    } else if (a == "--rename") {
      if (!need(2)) return o;
      setCommand(Options::Command::Rename);
      o.rename = {argv[i + 1], argv[i + 2]};
      i += 2;
    } else if (a == "--cut-short") {
      setCommand(Options::Command::CutShort);
      std::string answer;
      if (!value(answer)) return o;
      if (answer != "undo" && answer != "keep") o.error = "--cut-short takes undo or keep";
      o.undoCutShort = answer == "undo";
    } else if (a == "-u" || a == "--undo") {
      setCommand(Options::Command::Undo);
      if (!value(o.undo)) return o;
    } else {
      o.error = "unknown option " + a;
      return o;
    }
    if (attached) o.error = "option " + a + " takes no value after =";
    if (!o.error.empty()) return o;
  }
  if (ignoreCase || word || regex) o.error = "-i, -w and -e go before the -r (or --search) they apply to";
  if (o.command == Options::Command::Batch) {
    if (o.rules.empty() && !o.rulesFromWindow && o.ruleTable.empty()) {
      o.error = "no rule given (-r FIND REPLACEMENT, --rules FILE, or --rules-from-window)";
    }
    if (!o.rules.empty() && o.rulesFromWindow) o.error = "give rules with -r or --rules-from-window, not both";
    // (No file given: standard input, unless it is a terminal.)
  } else if (o.command == Options::Command::Search || o.command == Options::Command::Rename) {
    if (o.paths.size() != 1) o.error = "give one folder";
  } else if ((o.command == Options::Command::Undo || o.command == Options::Command::CutShort) && !o.paths.empty()) {
    o.error = "--undo takes no folder or file besides its output folder";
  }
  return o;
}

}  // namespace zur::cli
