#include "core/replace/ruletable.h"

#include <map>
#include <utility>

#include "core/platform/fileio.h"
#include "core/replace/matcher.h"
#include "core/text/codec.h"
#include "core/text/encoding.h"

namespace zur {
namespace {

using Fields = std::vector<std::u16string>;

// The lines of a tab-separated table, split at tabs; a CR before a line's LF is the line end's.
std::vector<std::pair<size_t, Fields>> TabRows(std::u16string_view text) {
  std::vector<std::pair<size_t, Fields>> rows;
  size_t line = 0;
  for (size_t at = 0; at <= text.size();) {
    size_t end = text.find(u'\n', at);
    if (end == std::u16string_view::npos) end = text.size();
    std::u16string_view row = text.substr(at, end - at);
    if (!row.empty() && row.back() == u'\r') row.remove_suffix(1);
    ++line;
    if (!row.empty() && row[0] != u'#') {
      Fields fields{{}};
      for (char16_t c : row) {
        if (c == u'\t') {
          fields.emplace_back();
        } else {
          fields.back() += c;
        }
      }
      rows.emplace_back(line, std::move(fields));
    }
    at = end + 1;
  }
  return rows;
}

// The rows of a CSV table: commas between fields, '"' around a field that holds commas, quotes or line
// breaks, '""' for a quote inside one.
std::vector<std::pair<size_t, Fields>> CsvRows(std::u16string_view text) {
  std::vector<std::pair<size_t, Fields>> rows;
  size_t line = 1, rowLine = 1;
  Fields fields{{}};
  bool quoted = false, any = false, firstQuoted = false;
  auto endRow = [&] {
    const bool comment = !firstQuoted && !fields[0].empty() && fields[0][0] == u'#';
    if (any && !comment) rows.emplace_back(rowLine, std::move(fields));
    fields = Fields{{}};
    any = firstQuoted = false;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (quoted) {
      if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
        fields.back() += u'"';
        ++i;
      } else if (c == u'"') {
        quoted = false;
      } else {
        if (c == u'\n') ++line;
        fields.back() += c;
      }
      continue;
    }
    if (c == u'"' && fields.back().empty()) {
      quoted = any = true;
      if (fields.size() == 1) firstQuoted = true;
    } else if (c == u',') {
      fields.emplace_back();
      any = true;
    } else if (c == u'\n' || c == u'\r') {
      if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      endRow();
      rowLine = ++line;
    } else {
      fields.back() += c;
      any = true;
    }
  }
  endRow();
  return rows;
}

// "\t", "\n" and "\\" of a tab-separated table's texts.
std::u16string Unescaped(std::u16string_view s) {
  std::u16string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == u'\\' && i + 1 < s.size() && (s[i + 1] == u't' || s[i + 1] == u'n' || s[i + 1] == u'\\')) {
      ++i;
      out += s[i] == u't' ? u'\t' : s[i] == u'n' ? u'\n' : u'\\';
    } else {
      out += s[i];
    }
  }
  return out;
}

}  // namespace

std::optional<RuleTable> ParseRuleTable(std::string_view bytes, bool csv, bool keyed, std::vector<TableProblem>& problems) {
  problems.clear();
  auto problem = [&](size_t line, TableProblem::What what, std::string detail = {}) {
    if (problems.size() < kMaxTableProblems) problems.push_back({line, what, std::move(detail)});
  };
  const TextKind kind = DetectText(bytes, Encoding::Utf8);
  if (!kind.text) {
    problem(0, TableProblem::What::NotText);
    return std::nullopt;
  }
  const std::u16string text = DecodeText(bytes.substr(kind.bomSize), kind.encoding);
  RuleTable table;
  // The first line of each find text (and its options), to tell a duplicate.
  std::map<std::pair<std::u16string, std::string>, std::pair<size_t, std::u16string>> seen;
  for (auto& [line, fields] : csv ? CsvRows(text) : TabRows(text)) {
    if (fields.size() < 2) {
      problem(line, TableProblem::What::NoTab);
      continue;
    }
    if (fields.size() > 3) {
      problem(line, TableProblem::What::TooManyColumns);
      continue;
    }
    const std::string letters = fields.size() == 3 ? EncodeText(fields[2], Encoding::Utf8) : std::string();
    const auto options = OptionsFromLetters(letters);
    if (!options) {
      problem(line, TableProblem::What::Options, letters);
      continue;
    }
    // A pattern's own texts go to the engine as they are; the replacement's "\t", "\n" and "\\" it
    // reads as the rows do.
    const bool raw = csv || options->regex;
    Rule rule{raw ? fields[0] : Unescaped(fields[0]), raw ? fields[1] : Unescaped(fields[1]), *options};
    if (rule.find.empty()) {
      problem(line, TableProblem::What::EmptyFind);
      continue;
    }
    const auto [it, first] = seen.try_emplace({rule.find, letters}, line, rule.replacement);
    if (!first && it->second.second != rule.replacement) {
      problem(line, TableProblem::What::Duplicate, std::to_string(it->second.first));
      continue;
    }
    if (!options->Plain()) {
      RuleError error;
      if (!BuildRules({rule}, keyed, error)) {
        problem(line, error.what == RuleError::What::KeyInPattern ? TableProblem::What::KeyInPattern : TableProblem::What::Pattern,
                error.message);
        continue;
      }
    }
    if (table.pairs.size() == kMaxTablePairs) {
      problem(0, TableProblem::What::TooBig);
      break;
    }
    if (first) table.pairs.push_back({line, std::move(rule)});
  }
  if (!problems.empty()) return std::nullopt;
  return table;
}

std::optional<RuleTable> ReadRuleTable(const std::string& path, bool keyed, std::vector<TableProblem>& problems) {
  problems.clear();
  fs::OpenedFile file = fs::OpenedFile::Open(path, false);
  ByteBuffer bytes;
  bool whole = false;
  if (!file.Ok() || !file.ReadUpTo(bytes, kMaxTableBytes, whole)) {
    problems.push_back({0, TableProblem::What::Unreadable, fs::ErrorText(file.Error())});
    return std::nullopt;
  }
  if (!whole) {
    problems.push_back({0, TableProblem::What::TooBig, {}});
    return std::nullopt;
  }
  const bool csv = path.size() >= 4 && (path.compare(path.size() - 4, 4, ".csv") == 0 || path.compare(path.size() - 4, 4, ".CSV") == 0);
  auto table = ParseRuleTable(bytes.view(), csv, keyed, problems);
  if (table) table->path = path;
  return table;
}

}  // namespace zur
