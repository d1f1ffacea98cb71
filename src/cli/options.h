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
  // Up to three rules, in order, as given (bytes of the locale's code page, "\n" already a line break).
  std::vector<std::pair<std::string, std::string>> rules;
  bool rulesFromWindow = false;  // the window's saved rule rows and extension list
  std::optional<std::string> extensions;
  std::string backup;  // the output folder for copies; empty: none
  bool match = false;  // the key placeholder "#key#" is understood
  bool dryRun = false;
  bool json = false;
  bool follow = false;  // links that lead out of the folder are followed
  std::string text;                                // --search
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
