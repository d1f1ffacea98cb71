// Where zur-replace reports each file: standard output names the files a command changed (would
// change, found, renamed, restored), standard error the files it left alone and why; with --json,
// one JSON object a line on standard output for every file instead.
#pragma once

#include <cstdio>
#include <string>

#include "cli/texts.h"
#include "core/commands/driver.h"

namespace zur::cli {

class Report : public CommandSink {
 public:
  enum class Kind { Batch, DryRun, Search, Rename, Undo };
  Report(Kind kind, bool json, const Texts& texts) : kind_(kind), json_(json), texts_(texts) {}

  void File(const RunEvent& event, const std::string& shown, const std::string& second) override;
  void Folder(const ScanProblem& problem) override;
  void Pause() override { std::fflush(stdout); }

  size_t LeftAlone() const { return left_; }
  // Each line names only its file (a rename's new name) and ends in NUL, for xargs -0.
  void EndPathsWithNul() { nul_ = true; }

 private:
  void Json(const RunEvent& event, const std::string& file, const std::string& second);
  Kind kind_;
  bool json_;
  const Texts& texts_;
  size_t left_ = 0;
  bool nul_ = false;
};

// `text` as a JSON string (bytes that are not UTF-8 become \u escapes of their Latin-1 values).
std::string JsonString(const std::string& text);

// A path in JSON: a string when it is UTF-8, else {"bytes":"<base64>"} so that the name comes back
// exactly.
std::string JsonPath(const std::string& path);

}  // namespace zur::cli
