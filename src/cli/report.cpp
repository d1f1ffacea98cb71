#include "cli/report.h"

#include "core/text/base64.h"
#include "core/text/utf8check.h"

namespace zur::cli {

std::string JsonString(const std::string& text) {
  bool ascii = false;
  const bool utf8 = CheckUtf8(text, ascii);
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || (!utf8 && c >= 0x80)) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      out += escape;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string JsonPath(const std::string& path) {
  bool ascii = false;
  if (CheckUtf8(path, ascii)) return JsonString(path);
  return "{\"bytes\":\"" + Base64(path) + "\"}";
}

namespace {

const char* OutcomeName(Report::Kind kind, const RunEvent& e) {
  switch (e.outcome) {
    case Outcome::Done:
      return kind == Report::Kind::Undo ? "restored" : kind == Report::Kind::Rename ? "renamed" : "changed";
    case Outcome::Unchanged:
      return "unchanged";
    case Outcome::Hit:
      return kind == Report::Kind::Search ? "found" : "would-change";
    case Outcome::Skipped:
      return "skipped";
    case Outcome::Failed:
      return "failed";
  }
  return "";
}

}  // namespace

void Report::Json(const RunEvent& e, const std::string& file, const std::string& second) {
  std::string line = "{\"file\":" + JsonPath(file);
  if (e.encoding) line += ",\"encoding\":" + JsonString(e.encoding);
  if (kind_ == Kind::Batch || kind_ == Kind::DryRun) {
    line += ",\"counts\":[";
    for (size_t i = 0; i < e.byRule.size(); ++i) line += (i ? "," : "") + std::to_string(e.byRule[i]);
    line += "]";
    if (!e.byPair.empty()) {
      // (A rule table) each pair that replaced something: its line and its count.
      line += ",\"pairs\":[";
      for (size_t i = 0; i < e.byPair.size(); ++i) {
        line += (i ? ",[" : "[") + std::to_string(e.byPair[i].first) + "," + std::to_string(e.byPair[i].second) + "]";
      }
      line += "]";
    }
  }
  if (!second.empty() && (kind_ == Kind::Rename || kind_ == Kind::Undo)) {
    line += std::string(kind_ == Kind::Rename ? ",\"to\":" : ",\"copy\":") + JsonPath(second);
  }
  line += ",\"outcome\":" + JsonString(OutcomeName(kind_, e));
  if (e.outcome == Outcome::Skipped || e.outcome == Outcome::Failed) line += ",\"reason\":" + JsonString(texts_.Why(e));
  std::printf("%s}\n", line.c_str());
}

void Report::File(const RunEvent& e, const std::string& shown, const std::string& second) {
  if (e.item == kNoItem) {
    ++left_;
    if (e.why == Why::JournalDamaged) {
      std::fprintf(stderr, "zur-replace: %s: %s\n", e.detail.c_str(), texts_.Why({kNoItem, e.outcome, e.why, {}}).c_str());
    } else {
      std::fprintf(stderr, "zur-replace: %s\n", e.detail.c_str());
    }
    return;
  }
  const bool left = e.outcome == Outcome::Skipped || e.outcome == Outcome::Failed;
  if (left && !(kind_ == Kind::Undo && e.why == Why::AlreadyOriginal)) ++left_;
  if (json_) return Json(e, shown, second);
  if (left) {
    std::fprintf(stderr, "zur-replace: %s: %s\n", shown.c_str(), texts_.Why(e).c_str());
    return;
  }
  if (nul_) {
    const bool named = kind_ == Kind::Search || kind_ == Kind::DryRun ? e.outcome == Outcome::Hit
                       : kind_ == Kind::Rename                      ? e.outcome == Outcome::Done || e.outcome == Outcome::Hit
                                                                    : e.outcome == Outcome::Done;
    if (named) {
      const std::string& path = kind_ == Kind::Rename ? second : shown;
      std::fwrite(path.data(), 1, path.size(), stdout);
      std::fputc('\0', stdout);
    }
    return;
  }
  switch (kind_) {
    case Kind::Batch:
    case Kind::DryRun:
      if (e.outcome != Outcome::Done && e.outcome != Outcome::Hit) return;
      std::printf("%s", shown.c_str());
      for (size_t n : e.byRule) std::printf("\t%zu", n);
      std::printf("\n");
      return;
    case Kind::Search:
      if (e.outcome == Outcome::Hit) std::printf("%s\n", shown.c_str());
      return;
    case Kind::Rename:
      if (e.outcome == Outcome::Done || e.outcome == Outcome::Hit) std::printf("%s -> %s\n", shown.c_str(), second.c_str());
      return;
    case Kind::Undo:
      if (e.outcome == Outcome::Done) std::printf("%s\n", shown.c_str());
      return;
  }
}

void Report::Folder(const ScanProblem& problem) {
  ++left_;
  std::string why;
  switch (problem.kind) {
    case ScanProblem::Kind::Unreadable:
      why = texts_.Pick("folder cannot be read", "文件夹无法读取");
      break;
    case ScanProblem::Kind::LinkOutside:
      why = texts_.Why({kNoItem, Outcome::Skipped, Why::LinkOutside, problem.target});
      break;
    case ScanProblem::Kind::ForeignLink:
      why = texts_.Why({kNoItem, Outcome::Skipped, Why::ForeignLink, problem.target});
      break;
  }
  if (json_) {
    std::printf("{\"file\":%s,\"outcome\":\"skipped\",\"reason\":%s}\n", JsonString(problem.folder).c_str(),
                JsonString(why).c_str());
    return;
  }
  std::fprintf(stderr, "zur-replace: %s: %s\n", problem.folder.c_str(), why.c_str());
}

}  // namespace zur::cli
