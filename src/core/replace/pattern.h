// A rule's regular expression, compiled once with PCRE2 (PHP's preg syntax, in Unicode mode) and
// matched against UTF-8 text (utf8view.h).
//
// What a pattern sees of line ends (docs/rules.md): a line break typed in the pattern, and "\n", match
// any one line end of the file (CR LF, LF or CR), as the line breaks of an exact rule do; "^" and "$"
// match at the start and end of every line; "." matches any character but CR and LF. A CR LF pair is
// one line end: neither a search nor an empty match starts between its CR and its LF, unless the
// pattern names CR or LF itself or the match before took the CR alone. "(?s)", "(?-m)" and the like
// change this inside a pattern as usual.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zur {

struct PatternOptions {
  bool matchCase = true;
  // A match is not preceded (wordStart) or followed (wordEnd) by a letter, digit or underscore: both
  // for a whole word.
  bool wordStart = false;
  bool wordEnd = false;
  bool literal = false;  // the text is matched as it is (an exact rule with options)
};

struct PatternError {
  size_t offset = 0;     // in characters of the pattern as typed
  std::string message;   // PCRE2's own words
};

// A match: the offsets of the whole match and of each group (kUnset for a group that took no part).
struct PatternMatch {
  static constexpr size_t kUnset = static_cast<size_t>(-1);
  std::vector<size_t> groups;  // begin, end of group 0, 1, ...
  size_t Begin() const { return groups[0]; }
  size_t End() const { return groups[1]; }
};

// Why a search gave up: the pattern would take too long on this text (PCRE2's match, depth or heap
// limit: a pattern that backtracks without end), or another failure of the engine.
enum class PatternFailure { None, TooCostly, Failed };

class Pattern {
 public:
  // Compiles `text` (UTF-8); nothing, with the error, when it is no valid pattern.
  static std::unique_ptr<Pattern> Compile(std::string_view text, const PatternOptions& options, PatternError& error);
  ~Pattern();
  Pattern(const Pattern&) = delete;
  Pattern& operator=(const Pattern&) = delete;

  // The first match that starts at or after `from`; with `notEmptyAt` an empty match there does not
  // count (the one before was empty there). False when there is none, or with `failure` set.
  bool Find(std::string_view subject, size_t from, bool notEmptyAt, PatternMatch& match, PatternFailure& failure) const;
  // The number of groups, and the number of a named one (-1 when there is none).
  size_t Groups() const { return groups_; }
  int GroupNumber(std::string_view name) const;
  // An ASCII byte that every match holds, or 0 (a first look at a file's bytes, before anything is
  // decoded: a file without it has no match). Letters stand for both their cases.
  unsigned char RequiredByte() const { return required_; }
  // ASCII text every match starts with, or "": a file whose bytes lack it (in UTF-8 or GB18030, where
  // ASCII is itself) has no match.
  const std::string& LiteralStart() const { return start_; }

 private:
  Pattern() = default;
  void* code_ = nullptr;  // pcre2_code_8
  size_t groups_ = 0;
  unsigned char required_ = 0;
  std::string start_;
};

// The pattern as PCRE2 compiles it: line breaks and "\n" made any line end, and the whole-word guards.
// (Exposed for the tests.)
std::string CompiledPatternText(std::string_view text, const PatternOptions& options);

// A replacement text: pieces of literal text, line breaks and references to groups ("$1" to "$99",
// "${name}", "${1}", "$0"; "$$" is a dollar sign; "\n" and a line break typed are a line break,
// "\t" a tab, "\\" a backslash). A literal replacement (an exact rule's) is its text and its line breaks only.
struct ReplacementPiece {
  enum class Kind { Text, LineBreak, Group };
  Kind kind = Kind::Text;
  std::string text;  // (Text) UTF-8
  size_t group = 0;  // (Group)
};
struct ReplacementError {
  size_t offset = 0;
  std::string what;
};
// Nothing, with the error, when a reference names no group of `pattern`.
std::optional<std::vector<ReplacementPiece>> ParseReplacement(std::string_view text, const Pattern* pattern,
                                                              ReplacementError& error);

}  // namespace zur
