// The rules of a command as a list of matchers: one interface for every kind of rule (find the next
// match from a place, append what replaces it), with the kinds behind it:
//   - an exact text, case-sensitive: searched in the file's own bytes, in its own encoding, without
//     decoding anything (substitute.h);
//   - an exact text with the key placeholder "#key#" (the match commands): prefix to nearest suffix;
//   - a pattern: a regular expression (pattern.h), or an exact text that ignores case or must be a
//     whole word, matched on the file's text as UTF-8 (utf8view.h); everything outside a match, and
//     what a group captured, is copied from the file's own bytes.
// A request's rules are checked once, when the command starts: a pattern that is no pattern, or a
// replacement that names no group, refuses the command before any file is read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/replace/rules.h"
#include "core/replace/worktext.h"

namespace zur {

// Why a rule leaves a file as it was although it matched.
enum class RuleProblem {
  None,
  NotEncodable,  // the replacement holds a character the file's encoding cannot hold
  TooCostly,     // the pattern would take too long on this file (it backtracks without end)
  Failed,        // the pattern engine failed otherwise
};

class Utf8View;

// The text a matcher searches in one file.
struct Subject {
  std::string_view raw;        // the file's bytes after its byte-order mark
  std::string_view text;       // what is searched: `raw`, or its UTF-8 view
  const Utf8View* view = nullptr;  // (UTF-8 view) the way back to `raw`
  Encoding encoding = Encoding::Utf8;
  std::string lineEnd;         // the file's line end, in its encoding
};

// A match in the searched text, with its place in the file's bytes.
struct Found {
  size_t begin = 0, end = 0;        // in Subject::text
  size_t rawBegin = 0, rawEnd = 0;  // in Subject::raw
  std::vector<size_t> groups;       // (a pattern) begin, end of each group in Subject::text
};

// How often each pair of a rule table replaced, by the pair's line (only the pairs that did).
using PairCounts = std::vector<std::pair<uint32_t, uint32_t>>;

class Matcher {
 public:
  enum class Searches { FileBytes, Utf8 };
  virtual ~Matcher() = default;
  virtual Searches Text() const = 0;
  // The first match that starts at or after `from` (not an empty one at `from` when `afterEmpty`).
  virtual bool Next(const Subject& s, size_t from, bool afterEmpty, Found& found, RuleProblem& problem) const = 0;
  // What replaces the match, in the file's encoding, appended to `out`; false when it cannot be
  // written in that encoding.
  virtual bool AppendReplacement(const Subject& s, const Found& found, std::string& out) const = 0;
  // Every match in the file replaced, left to right, without overlaps, the replacements never searched
  // again; counts what it replaced. A problem leaves the file's bytes as they were. (Built from Next
  // and AppendReplacement; a kind may do the same faster.)
  virtual RuleProblem ReplaceAll(WorkText& work, size_t& replaced) const;
  // The same, with what each pair of a rule table replaced added to `pairs` (other kinds: nothing).
  virtual RuleProblem ReplaceAllCounting(WorkText& work, size_t& replaced, PairCounts&) const {
    return ReplaceAll(work, replaced);
  }
  // Whether the file holds a match, as ReplaceAll would count one.
  virtual bool Occurs(WorkText& work, RuleProblem& problem) const;
  // Whether replacing may give a file its own bytes back (the dry run then compares).
  virtual bool MayKeepBytes() const { return true; }
};

// The rules of a request, in order; an empty slot for a rule that does nothing (empty find text).
using RuleSet = std::vector<std::shared_ptr<const Matcher>>;

// What is wrong with a rule (numbered from 1), for the refusal of a request.
struct RuleError {
  enum class What {
    Pattern,      // the find text is no valid pattern (`message`: PCRE2's words, `offset` where)
    Replacement,  // the replacement refers to a group the pattern does not have
    KeyInPattern, // (the match commands) "#key#" in a pattern row: the pattern says what it matches
  };
  size_t rule = 0;
  What what = What::Pattern;
  size_t offset = 0;  // the character where it is wrong, counted from 1
  std::string message;
};

// The matchers of `rules`: with the key placeholder understood when `keyed` (the match commands).
// Nothing, with the first error, when a rule cannot run.
std::optional<RuleSet> BuildRules(const std::vector<Rule>& rules, bool keyed, RuleError& error);
// One matcher that applies every pair of a rule table at once (ruletable.h); errors name the pair's line.
struct RuleTable;
std::shared_ptr<const Matcher> BuildTable(const RuleTable& table, bool keyed, RuleError& error);
// One matcher for a search text (no replacement).
std::shared_ptr<const Matcher> BuildSearch(std::u16string_view text, RuleOptions options, RuleError& error);

// What the rules did to a file: how many places each replaced; a problem names the rule (from 0)
// that met it, and the file is to be left as it was.
struct Applied {
  std::vector<size_t> counts;
  PairCounts pairs;  // (a rule table) what each of its pairs replaced
  RuleProblem problem = RuleProblem::None;
  size_t rule = 0;
  size_t Total() const;
};
// The rules in order, each on the result of the one before.
Applied ApplyRules(WorkText& work, const RuleSet& rules);

}  // namespace zur
