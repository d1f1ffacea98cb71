// The command line of zur-replace, read into a plain request: which command, its rules and folders,
// and how to report.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zur::cli {

struct Options {
  enum class Command { Batch, Search, Rename, Undo, CutShort, Help, Version };
  Command command = Command::Batch;
  // The rules, in order, as given (bytes of the locale's code page; in an exact rule "\n" is already
  // a line break, a pattern keeps its text for the engine), each with the options given before it.
  struct RuleArgs {
    std::string find, replacement;
    bool ignoreCase = false, word = false, regex = false;
  };
  std::vector<RuleArgs> rules;
  bool rulesFromWindow = false;  // the window's saved rule rows and extension list
  std::string ruleTable;         // --rules: a rule table's file, run after the rules
  std::optional<std::string> extensions;
  // The choice of files: -g patterns (those starting with "!" leave out), folder names never entered,
  // hidden names (left out unless --hidden), a largest size.
  std::vector<std::string> globs;
  std::vector<std::string> excludeDirs;
  std::optional<bool> hidden;
  std::optional<std::string> maxSize;
  std::string backup;  // the output folder for copies; empty: none
  bool match = false;  // the key placeholder "#key#" is understood
  bool dryRun = false;
  bool json = false;
  bool nul = false;     // -0: each path printed ends in NUL
  bool follow = false;  // links that lead out of the folder are followed
  std::string text;                                // --search
  bool searchIgnoreCase = false, searchWord = false, searchRegex = false;  // options before --search
  std::pair<std::string, std::string> rename;      // --rename
  std::string undo;                                // --undo: the output folder
  bool undoCutShort = false;                       // --cut-short undo (else keep)
  std::vector<std::string> paths;                  // a folder, or files
  std::string error;                               // set when the command line is not understood
};

Options ParseOptions(int argc, const char* const* argv);

// "\n" in a rule text is a line break, "\\" a backslash; any other backslash stays as it is.
std::string Unescape(const std::string& text);

}  // namespace zur::cli
