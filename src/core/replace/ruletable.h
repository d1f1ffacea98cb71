// A rule table: many find/replace pairs kept in a file, run as one rule that applies them all at once
// (docs/rules.md). One pair a line: the find text, a tab, the replacement, and optionally a tab and the
// options as letters ("i" ignore case, "w" whole word, "r" regular expression). "\t", "\n" and "\\"
// stand for a tab, a line break and a backslash (a pattern's own texts are given as they are: the
// engine reads its escapes itself). Lines that start with "#", and empty lines, are skipped. A file
// named ".csv" is read as spreadsheets write it: comma-separated fields, quoted with '"' where they
// hold commas, quotes or line breaks, no escapes. The file may be UTF-8 (with or without its
// byte-order mark), UTF-16 with its mark, or GB18030, told apart as the program tells files apart.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/replace/rules.h"

namespace zur {

inline constexpr size_t kMaxTableBytes = 64u << 20;
inline constexpr size_t kMaxTablePairs = 1'000'000;
inline constexpr size_t kMaxTableProblems = 20;

struct TablePair {
  size_t line = 0;  // in the file, from 1
  Rule rule;
};

struct RuleTable {
  std::string path;
  std::vector<TablePair> pairs;
};

struct TableProblem {
  enum class What {
    Unreadable,      // the file cannot be opened or read (`detail`: the system's words)
    TooBig,          // larger than kMaxTableBytes, or more pairs than kMaxTablePairs
    NotText,         // no encoding the program reads
    NoTab,           // a line without the tab between its find text and its replacement
    TooManyColumns,  // more than three fields
    EmptyFind,       // nothing to find
    Options,         // letters that are no option (`detail`: them)
    Duplicate,       // the same find text as an earlier line, replaced otherwise (`detail`: that line)
    Pattern,         // a pattern that is no pattern, or names a group it lacks (`detail`: PCRE2's words)
    KeyInPattern,    // (the match commands) "#key#" in a pattern pair
  };
  size_t line = 0;  // 0: the file as a whole
  What what = What::Unreadable;
  std::string detail;
};

// The table in `path`, checked: nothing when anything is wrong, with the problems (at most
// kMaxTableProblems, in the order of the file). `keyed`: for the match commands.
std::optional<RuleTable> ReadRuleTable(const std::string& path, bool keyed, std::vector<TableProblem>& problems);
// The same from the file's bytes.
std::optional<RuleTable> ParseRuleTable(std::string_view bytes, bool csv, bool keyed, std::vector<TableProblem>& problems);

}  // namespace zur
