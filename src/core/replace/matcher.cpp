#include "core/replace/matcher.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>
#include <numeric>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/replace/multimatch.h"
#include "core/replace/pattern.h"
#include "core/replace/ruletable.h"
#include "core/replace/splittext.h"
#include "core/replace/substitute.h"
#include "core/text/bytesearch.h"
#include "core/text/codec.h"
#include "core/text/utf8view.h"

namespace zur {
namespace {

constexpr Encoding kEncodings[] = {Encoding::Utf8, Encoding::Gb18030, Encoding::Utf16Le, Encoding::Utf16Be};

std::string Utf8Of(std::u16string_view text) { return EncodeText(text, Encoding::Utf8); }

// UTF-8 text in an encoding; nothing when a character of it cannot be written there.
std::optional<std::string> InEncoding(std::string_view utf8, Encoding e) {
  if (e == Encoding::Utf8) return std::string(utf8);
  return EncodeExactly(DecodeText(utf8, Encoding::Utf8), e);
}

// A replacement's pieces with their literal text made ready for each encoding.
struct Replacement {
  std::vector<ReplacementPiece> pieces;
  std::array<bool, 4> writable{};  // every literal piece can be written in the encoding
  std::array<std::vector<std::string>, 4> text;  // the literal pieces' bytes, by encoding

  explicit Replacement(std::vector<ReplacementPiece> p) : pieces(std::move(p)) {
    for (Encoding e : kEncodings) {
      const size_t k = static_cast<size_t>(e);
      writable[k] = true;
      for (const ReplacementPiece& piece : pieces) {
        if (piece.kind != ReplacementPiece::Kind::Text) {
          text[k].emplace_back();
          continue;
        }
        auto bytes = InEncoding(piece.text, e);
        writable[k] = writable[k] && bytes.has_value();
        text[k].push_back(bytes.value_or(std::string()));
      }
    }
  }
  bool HasGroups() const {
    for (const ReplacementPiece& p : pieces) {
      if (p.kind == ReplacementPiece::Kind::Group) return true;
    }
    return false;
  }
};

// The file's bytes of a place in the searched text.
size_t RawOffset(const Subject& s, size_t offset) { return s.view ? s.view->ByteOffset(offset) : offset; }

// A rule's replacement as the file's bytes: its text, its line breaks as the file's line end.
bool AppendLiteral(const PreparedRule& rule, const Subject& s, std::string& out) {
  const PreparedRule::Form& form = rule.In(s.encoding);
  if (!form.usable) return false;
  out += ReplacementBytes(form, s.lineEnd);
  return true;
}

// An exact text, case-sensitive: the file's own bytes, without decoding (substitute.h).
class ExactMatcher : public Matcher {
 public:
  explicit ExactMatcher(const Rule& rule)
      : rule_(PrepareRule(rule)), find_(PrepareText(rule.find)), same_(rule.find == rule.replacement) {}
  Searches Text() const override { return Searches::FileBytes; }

  bool Next(const Subject& s, size_t from, bool, Found& found, RuleProblem&) const override {
    const auto& form = find_.In(s.encoding);
    if (!form) return false;
    const Span hit = FirstOccurrenceFrom(s.text, 0, *form, s.encoding, from);
    if (hit.begin == kNoSpan) return false;
    found = {hit.begin, hit.end, hit.begin, hit.end, {}};
    return true;
  }
  bool AppendReplacement(const Subject& s, const Found&, std::string& out) const override {
    return AppendLiteral(rule_, s, out);
  }
  RuleProblem ReplaceAll(WorkText& work, size_t& replaced) const override {
    if (ReplaceInWorkText(work, rule_, &replaced) || work.NotText()) return RuleProblem::None;
    // The text occurs, but its replacement cannot be written in this file's encoding.
    const PreparedRule::Form& form = rule_.In(work.Kind().encoding);
    if (!form.usable && WorkTextContains(work, find_)) return RuleProblem::NotEncodable;
    return RuleProblem::None;
  }
  bool Occurs(WorkText& work, RuleProblem&) const override { return WorkTextContains(work, find_); }
  bool MayKeepBytes() const override { return same_; }

 private:
  PreparedRule rule_;
  PreparedText find_;
  bool same_;
};

// Whether a character has no other case for Unicode: ASCII other than letters, and the Chinese,
// Japanese and Korean characters, their punctuation and the fullwidth signs and digits.
bool HasNoCase(char16_t c) {
  if (c < 0x80) return !((c | 0x20) >= u'a' && (c | 0x20) <= u'z');
  return (c >= 0x2000 && c <= 0x206F) || (c >= 0x3000 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7A3) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF01 && c <= 0xFF20) || (c >= 0xFF3B && c <= 0xFF40) ||
         (c >= 0xFF5B && c <= 0xFF65);
}

// An exact text that ignores case, of ASCII letters among characters without case, in a UTF-8 or
// GB18030 file: searched in a copy of the file's bytes with A-Z made a-z (the same length and the same
// character boundaries: no byte changes its kind), at the speed of the exact search, and the places
// found replaced in the file's own bytes. This finds what the pattern would, except where Unicode
// folds a non-ASCII letter onto an ASCII one (the Kelvin sign onto k, the long s onto s), and where a
// GB18030 character of the text has a letter for its second byte (another character would then fold
// onto it): those files, and UTF-16 files, go to the pattern.
class AsciiCaselessMatcher : public Matcher {
 public:
  AsciiCaselessMatcher(const Rule& rule, std::shared_ptr<const Matcher> pattern)
      : rule_(PrepareRule(rule)), pattern_(std::move(pattern)) {
    for (char16_t c : rule.find) {
      if ((c | 0x20) == u'k' || (c | 0x20) == u's') outside_ = {u"\u212A", u"\u017F"};
    }
    for (Encoding e : {Encoding::Utf8, Encoding::Gb18030}) {
      const PreparedRule::Form& form = rule_.In(e);
      if (!form.usable) continue;
      bool foldable = true;
      for (char16_t c : rule.find) {
        if (c < 0x80) continue;
        const std::string bytes = EncodeExactly(std::u16string_view(&c, 1), e).value_or(std::string());
        foldable = foldable && std::none_of(bytes.begin(), bytes.end(), [](char b) { return Folds(b) != b; });
      }
      if (!foldable) continue;
      std::vector<std::string> pieces = form.find.Pieces();
      for (std::string& piece : pieces) {
        for (char& b : piece) b = Folds(b);
      }
      folded_[static_cast<size_t>(e)] = FindText(std::move(pieces), Units::Of(e));
    }
  }
  Searches Text() const override { return pattern_->Text(); }
  bool Next(const Subject& s, size_t from, bool afterEmpty, Found& found, RuleProblem& problem) const override {
    return pattern_->Next(s, from, afterEmpty, found, problem);
  }
  bool AppendReplacement(const Subject& s, const Found& found, std::string& out) const override {
    return pattern_->AppendReplacement(s, found, out);
  }
  RuleProblem ReplaceAll(WorkText& work, size_t& replaced) const override {
    const FindText* find = FoldedFor(work);
    if (!find) return pattern_->ReplaceAll(work, replaced);
    const Encoding e = work.Kind().encoding;
    const std::vector<Span> spans = Occurrences(Folded(work.View()), work.Start(), *find, e);
    if (spans.empty()) return RuleProblem::None;
    const PreparedRule::Form& form = rule_.In(e);
    const std::string replacement = ReplacementBytes(form, work);
    work.WillChange();
    ReplaceSpans(work.Bytes(), spans, replacement);
    replaced += spans.size();
    return RuleProblem::None;
  }
  bool Occurs(WorkText& work, RuleProblem& problem) const override {
    const FindText* find = FoldedFor(work);
    if (!find) return pattern_->Occurs(work, problem);
    problem = RuleProblem::None;
    return FirstOccurrenceFrom(Folded(work.View()), work.Start(), *find, work.Kind().encoding, 0).begin != kNoSpan;
  }

 private:
  static char Folds(char b) { return static_cast<char>(b >= 'A' && b <= 'Z' ? b + 32 : b); }
  // The file's bytes with A-Z made a-z, in a buffer each thread keeps.
  static std::string_view Folded(std::string_view bytes) {
    thread_local std::string folded;
    folded.resize(bytes.size());
    size_t i = 0;
#if defined(__SSE2__)
    // 16 bytes a step: the bytes from 'A' to 'Z' (signed compares: bytes from 0x80 are below both)
    // get 0x20 added.
    const __m128i below = _mm_set1_epi8('A' - 1), above = _mm_set1_epi8('Z' + 1), bit = _mm_set1_epi8(0x20);
    for (; i + 16 <= bytes.size(); i += 16) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data() + i));
      const __m128i upper = _mm_and_si128(_mm_cmpgt_epi8(x, below), _mm_cmplt_epi8(x, above));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(folded.data() + i), _mm_add_epi8(x, _mm_and_si128(upper, bit)));
    }
#endif
    for (; i < bytes.size(); ++i) {
      const auto c = static_cast<unsigned char>(bytes[i]);
      folded[i] = static_cast<char>(c + (static_cast<unsigned>(c - 'A') < 26u ? 32 : 0));
    }
    return folded;
  }
  // The folded text to search this file for, or nothing when the pattern is to do it.
  const FindText* FoldedFor(WorkText& work) const {
    if (work.NotText()) return nullptr;
    const Encoding e = work.Kind().encoding;
    const auto& find = folded_[static_cast<size_t>(e)];
    if (!find) return nullptr;
    for (std::u16string_view c : outside_) {
      const auto bytes = c.empty() ? std::nullopt : EncodeExactly(c, e);
      if (bytes && FindBytes(work.View(), *bytes, work.Start()) != kNotFound) return nullptr;
    }
    return &*find;
  }

  PreparedRule rule_;
  std::array<std::optional<FindText>, 4> folded_;  // by encoding: UTF-8 and GB18030 only
  std::shared_ptr<const Matcher> pattern_;
  std::array<std::u16string_view, 2> outside_{};  // the non-ASCII letters that fold onto the text's
};

// An exact text with the key placeholder (the match commands), case-sensitive: the file's own bytes.
class KeyedMatcher : public Matcher {
 public:
  explicit KeyedMatcher(const Rule& rule) : rule_(PrepareRule(rule)) {}
  Searches Text() const override { return Searches::FileBytes; }
  bool Next(const Subject& s, size_t from, bool, Found& found, RuleProblem&) const override {
    const PreparedRule::Form& form = rule_.In(s.encoding);
    if (!form.usable || form.prefix.Empty() || form.suffix.Empty()) return false;
    const Span p = form.prefix.Find(s.text, from);
    if (p.begin == kNoSpan) return false;
    const Span x = form.suffix.Find(s.text, p.end);
    if (x.begin == kNoSpan) return false;
    found = {p.begin, x.end, p.begin, x.end, {}};
    return true;
  }
  bool AppendReplacement(const Subject& s, const Found&, std::string& out) const override {
    return AppendLiteral(rule_, s, out);
  }
  RuleProblem ReplaceAll(WorkText& work, size_t& replaced) const override {
    ReplaceKeyPattern(work, rule_, &replaced);
    return RuleProblem::None;
  }

 private:
  PreparedRule rule_;
};

// Whether a file's bytes may hold a match of the pattern at all: a file without the byte every match
// holds has none, whatever its encoding (a first look, before anything is decided or decoded).
bool MayHold(std::string_view raw, const Pattern& pattern) {
  const std::string& start = pattern.LiteralStart();
  const bool utf16 = raw.size() >= 2 && ((raw[0] == '\xFF' && raw[1] == '\xFE') || (raw[0] == '\xFE' && raw[1] == '\xFF'));
  if (!start.empty() && !utf16) return FindBytes(raw, start) != kNotFound;
  const unsigned char b = pattern.RequiredByte();
  if (b == 0) return true;
  const auto lower = static_cast<unsigned char>(std::tolower(b)), upper = static_cast<unsigned char>(std::toupper(b));
  if (raw.empty()) return false;
  return std::memchr(raw.data(), lower, raw.size()) || (upper != lower && std::memchr(raw.data(), upper, raw.size()));
}

// A regular expression, or an exact text that ignores case or must be a whole word: the file's text
// as UTF-8.
class PatternMatcher : public Matcher {
 public:
  PatternMatcher(std::unique_ptr<Pattern> pattern, Replacement replacement)
      : pattern_(std::move(pattern)), replacement_(std::move(replacement)) {}
  Searches Text() const override { return Searches::Utf8; }

  bool Next(const Subject& s, size_t from, bool afterEmpty, Found& found, RuleProblem& problem) const override {
    PatternMatch m;
    for (;;) {
      PatternFailure failure;
      if (!pattern_->Find(s.text, from, afterEmpty, m, failure)) {
        problem = failure == PatternFailure::None       ? RuleProblem::None
                  : failure == PatternFailure::TooCostly ? RuleProblem::TooCostly
                                                         : RuleProblem::Failed;
        return false;
      }
      const size_t b = RawOffset(s, m.Begin()), e = RawOffset(s, m.End());
      if (b != Utf8View::kNoOffset && e != Utf8View::kNoOffset) {
        found = {m.Begin(), m.End(), b, e, std::move(m.groups)};
        return true;
      }
      // (Only an empty match can fall inside a unit that is no character: passed over.)
      from = m.End();
      afterEmpty = m.Begin() == m.End();
    }
  }

  bool AppendReplacement(const Subject& s, const Found& found, std::string& out) const override {
    const size_t k = static_cast<size_t>(s.encoding);
    if (!replacement_.writable[k]) return false;
    for (size_t i = 0; i < replacement_.pieces.size(); ++i) {
      const ReplacementPiece& piece = replacement_.pieces[i];
      switch (piece.kind) {
        case ReplacementPiece::Kind::Text:
          out += replacement_.text[k][i];
          break;
        case ReplacementPiece::Kind::LineBreak:
          out += s.lineEnd;
          break;
        case ReplacementPiece::Kind::Group: {
          // What the group captured, as the file holds it.
          const size_t gb = found.groups[2 * piece.group], ge = found.groups[2 * piece.group + 1];
          if (gb == PatternMatch::kUnset) break;
          const size_t rb = RawOffset(s, gb), re = RawOffset(s, ge);
          if (rb != Utf8View::kNoOffset && re != Utf8View::kNoOffset && re >= rb) out.append(s.raw.substr(rb, re - rb));
          break;
        }
      }
    }
    return true;
  }

  RuleProblem ReplaceAll(WorkText& work, size_t& replaced) const override {
    if (!MayHold(work.View(), *pattern_)) return RuleProblem::None;
    return Matcher::ReplaceAll(work, replaced);
  }
  bool Occurs(WorkText& work, RuleProblem& problem) const override {
    return MayHold(work.View(), *pattern_) && Matcher::Occurs(work, problem);
  }

 private:
  std::unique_ptr<Pattern> pattern_;
  Replacement replacement_;
};

// The parts of the key placeholder loop's result: text of the replacement (UTF-8), and stretches of
// the file's text left as they were.
struct KeyedParts {
  struct Part {
    bool original;
    std::string text;          // (replacement text)
    size_t begin = 0, end = 0;  // (original) in the UTF-8 view
  };
  std::vector<Part>& parts;
  void Head(std::string_view part) const {
    if (!part.empty()) parts.push_back({false, std::string(part), 0, 0});
  }
  void Tail(std::string_view part, size_t at) const {
    if (!part.empty()) parts.push_back({true, {}, at, at + part.size()});
  }
};

// An exact text with the key placeholder that ignores case or must be a whole word (the match
// commands): prefix and suffix are patterns of their own on the file's text as UTF-8, in the same
// loop as the case-sensitive kind (each replacement searched again from its start, at most
// MaxKeyMatches times).
class KeyedPatternMatcher : public Matcher {
 public:
  KeyedPatternMatcher(std::unique_ptr<Pattern> prefix, std::unique_ptr<Pattern> suffix, size_t longest,
                      Replacement replacement, std::string replacementUtf8)
      : prefix_(std::move(prefix)),
        suffix_(std::move(suffix)),
        longest_(longest),
        replacement_(std::move(replacement)),
        utf8_(std::move(replacementUtf8)) {}
  Searches Text() const override { return Searches::Utf8; }

  bool Next(const Subject& s, size_t from, bool, Found& found, RuleProblem& problem) const override {
    const Span p = Search(*prefix_, s.text, from, problem);
    if (p.begin == kNoSpan) return false;
    const Span x = Search(*suffix_, s.text, p.end, problem);
    if (x.begin == kNoSpan) return false;
    found = {p.begin, x.end, RawOffset(s, p.begin), RawOffset(s, x.end), {}};
    return found.rawBegin != Utf8View::kNoOffset && found.rawEnd != Utf8View::kNoOffset;
  }
  bool AppendReplacement(const Subject& s, const Found&, std::string& out) const override {
    const size_t k = static_cast<size_t>(s.encoding);
    if (!replacement_.writable[k]) return false;
    for (size_t i = 0; i < replacement_.pieces.size(); ++i) {
      out += replacement_.pieces[i].kind == ReplacementPiece::Kind::LineBreak ? s.lineEnd : replacement_.text[k][i];
    }
    return true;
  }

  RuleProblem ReplaceAll(WorkText& work, size_t& replaced) const override {
    if (!MayHold(work.View(), *prefix_) || !MayHold(work.View(), *suffix_) || work.NotText()) return RuleProblem::None;
    const Encoding e = work.Kind().encoding;
    const std::string_view raw = work.View().substr(work.Start());
    const Utf8View view(raw, e);
    // The replacement as the loop inserts it into the UTF-8 text: its line breaks as LF.
    SplitText rest(view.Text());
    std::vector<KeyedParts::Part> parts;
    RuleProblem problem = RuleProblem::None;
    auto finder = [&](const Pattern& pattern) {
      return [&](std::string_view text, size_t from) { return Search(pattern, text, from, problem); };
    };
    size_t matches = 0;
    for (int pass = 0; pass < MaxKeyMatches; ++pass) {
      const Span p = rest.Find(finder(*prefix_), longest_, 0);
      if (p.begin == kNoSpan) break;
      const Span x = rest.Find(finder(*suffix_), longest_, p.end);
      if (x.begin == kNoSpan) break;
      rest.AppendRange(KeyedParts{parts}, 0, p.begin);
      rest.ReplaceUpTo(x.end, utf8_);
      ++matches;
    }
    if (problem != RuleProblem::None) return problem;
    if (matches == 0) return RuleProblem::None;
    if (!replacement_.writable[static_cast<size_t>(e)]) return RuleProblem::NotEncodable;
    rest.AppendRange(KeyedParts{parts}, 0, rest.Size());
    // Back to the file's bytes: its own where nothing was replaced, the replacement's in its encoding.
    std::string lineEnd = work.LineEnd();
    ByteBuffer result;
    result.append(work.View().substr(0, work.Start()));
    for (const KeyedParts::Part& part : parts) {
      if (part.original) {
        const size_t b = view.ByteOffset(part.begin), x = view.ByteOffset(part.end);
        if (b == Utf8View::kNoOffset || x == Utf8View::kNoOffset) return RuleProblem::Failed;
        result.append(raw.substr(b, x - b));
        continue;
      }
      // Replacement text: its LF line breaks are the file's line end.
      size_t at = 0;
      for (size_t lf = part.text.find('\n'); ; lf = part.text.find('\n', at)) {
        const std::string_view piece = std::string_view(part.text).substr(at, lf == std::string::npos ? std::string::npos : lf - at);
        auto bytes = InEncoding(piece, e);
        if (!bytes) return RuleProblem::NotEncodable;
        result.append(*bytes);
        if (lf == std::string::npos) break;
        result.append(lineEnd);
        at = lf + 1;
      }
    }
    replaced += matches;
    work.WillChange();
    work.Bytes() = std::move(result);
    return RuleProblem::None;
  }

 private:
  static Span Search(const Pattern& pattern, std::string_view text, size_t from, RuleProblem& problem) {
    PatternMatch m;
    PatternFailure failure = PatternFailure::None;
    if (problem == RuleProblem::None && pattern.Find(text, from, false, m, failure)) return {m.Begin(), m.End()};
    if (failure == PatternFailure::TooCostly) problem = RuleProblem::TooCostly;
    if (failure == PatternFailure::Failed) problem = RuleProblem::Failed;
    return {kNoSpan, kNoSpan};
  }

  std::unique_ptr<Pattern> prefix_, suffix_;
  size_t longest_;  // the longest either can match, in UTF-8 bytes
  Replacement replacement_;
  std::string utf8_;
};

// Compiles a pattern for rule `rule`; the error says where.
std::unique_ptr<Pattern> CompileFor(size_t rule, std::string_view text, const PatternOptions& options, RuleError& error) {
  PatternError why;
  auto pattern = Pattern::Compile(text, options, why);
  // PCRE2 names the place just after what it could not read: that character, counted from 1.
  if (!pattern) error = {rule, RuleError::What::Pattern, std::max<size_t>(why.offset, 1), why.message};
  return pattern;
}

std::shared_ptr<const Matcher> BuildOne(size_t number, const Rule& rule, bool keyed, RuleError& error) {
  const std::string find = Utf8Of(rule.find);
  const std::string replacement = Utf8Of(rule.replacement);
  const bool hasKey = keyed && rule.find.find(kKeyPlaceholder16) != std::u16string::npos;
  const RuleOptions& o = rule.options;
  if (o.regex) {
    if (hasKey) {
      error = {number, RuleError::What::KeyInPattern, 0, {}};
      return nullptr;
    }
    auto pattern = CompileFor(number, find, {o.matchCase, o.wholeWord, o.wholeWord, false}, error);
    if (!pattern) return nullptr;
    ReplacementError why;
    auto pieces = ParseReplacement(replacement, pattern.get(), why);
    if (!pieces) {
      error = {number, RuleError::What::Replacement, why.offset + 1, why.what};
      return nullptr;
    }
    return std::make_shared<PatternMatcher>(std::move(pattern), Replacement(std::move(*pieces)));
  }
  if (o.Plain()) {
    if (hasKey) return std::make_shared<KeyedMatcher>(rule);
    return std::make_shared<ExactMatcher>(rule);
  }
  ReplacementError unused;
  Replacement literal(*ParseReplacement(replacement, nullptr, unused));
  if (!hasKey) {
    auto pattern = CompileFor(number, find, {o.matchCase, o.wholeWord, o.wholeWord, true}, error);
    if (!pattern) return nullptr;
    auto matcher = std::make_shared<PatternMatcher>(std::move(pattern), std::move(literal));
    if (o.matchCase || o.wholeWord || !std::all_of(rule.find.begin(), rule.find.end(), [](char16_t c) { return c < 0x80 || HasNoCase(c); })) return matcher;
    // Ignoring case, a text without letters is its exact text; one with only ASCII letters is searched
    // with them folded.
    const bool letters = std::any_of(rule.find.begin(), rule.find.end(), [](char16_t c) { return c < 0x80 && !HasNoCase(c); });
    if (!letters) return std::make_shared<ExactMatcher>(rule);
    return std::make_shared<AsciiCaselessMatcher>(rule, std::move(matcher));
  }
  const size_t key = find.find("#key#");
  const std::string prefixText = find.substr(0, key), suffixText = find.substr(key + 5);
  // An empty prefix or suffix never completes a match, as with the case-sensitive kind.
  if (prefixText.empty() || suffixText.empty()) return nullptr;
  auto prefix = CompileFor(number, prefixText, {o.matchCase, o.wholeWord, false, true}, error);
  auto suffix = prefix ? CompileFor(number, suffixText, {o.matchCase, false, o.wholeWord, true}, error) : nullptr;
  if (!suffix) return nullptr;
  // A character's other case takes at most four bytes, a line break two.
  const size_t longest = 4 * std::max(prefixText.size(), suffixText.size()) + 8;
  std::string inserted = replacement;
  for (size_t at = 0; (at = inserted.find("\r\n", at)) != std::string::npos;) inserted.erase(at, 1);
  for (char& c : inserted) c = c == '\r' ? '\n' : c;
  return std::make_shared<KeyedPatternMatcher>(std::move(prefix), std::move(suffix), longest, std::move(literal),
                                               std::move(inserted));
}

// A rule table: every pair applied in one pass. At each place the longest exact text that starts there
// wins (equal lengths: the earlier line); where none does, the other pairs (with options, or with line
// breaks) are tried in table order; the text put in is never searched again. The exact pairs of each
// encoding are found together by one automaton, made the first time a file of that encoding comes.
class TableMatcher : public Matcher {
 public:
  TableMatcher(std::vector<Rule> exact, std::vector<size_t> exactLines, std::vector<std::shared_ptr<const Matcher>> others,
               std::vector<size_t> otherLines)
      : exact_(std::move(exact)),
        exactLines_(std::move(exactLines)),
        others_(std::move(others)),
        otherLines_(std::move(otherLines)) {
    for (const auto& m : others_) utf8_ = utf8_ || m->Text() == Searches::Utf8;
  }
  Searches Text() const override { return Searches::FileBytes; }
  bool Next(const Subject&, size_t, bool, Found&, RuleProblem&) const override { return false; }
  bool AppendReplacement(const Subject&, const Found&, std::string&) const override { return false; }

  RuleProblem ReplaceAll(WorkText& work, size_t& replaced) const override {
    PairCounts unused;
    return ReplaceAllCounting(work, replaced, unused);
  }
  RuleProblem ReplaceAllCounting(WorkText& work, size_t& replaced, PairCounts& pairs) const override {
    if (work.NotText()) return RuleProblem::None;
    const Encoding e = work.Kind().encoding;
    const Form& form = FormFor(e);
    std::vector<std::pair<uint32_t, uint32_t>> counted;  // line, count: in the order met
    const std::string_view raw = work.View().substr(work.Start());
    std::optional<Utf8View> view;
    if (utf8_) view.emplace(raw, e);
    const std::string lineEnd = work.LineEnd();
    const Subject bytes{raw, raw, nullptr, e, lineEnd};
    const Subject text = view ? Subject{raw, view->Text(), &*view, e, lineEnd} : bytes;
    auto subjectOf = [&](size_t k) -> const Subject& { return others_[k]->Text() == Searches::Utf8 ? text : bytes; };
    struct Cached {
      bool valid = false, has = false;
      Found found;
    };
    std::vector<Cached> cache(others_.size());
    Cached exact;
    MultiMatch::Hit hit;
    std::string out;
    size_t copied = 0, cursor = 0, emptyAt = kNoSpan, count = 0;
    for (;;) {
      if (!exact.valid) {
        exact.valid = true;
        exact.has = FindExact(form, raw, e, cursor, hit);
      }
      for (size_t k = 0; k < others_.size(); ++k) {
        if (cache[k].valid) continue;
        const Subject& s = subjectOf(k);
        const size_t from = &s == &text && view ? view->ViewOffset(cursor) : cursor;
        RuleProblem problem = RuleProblem::None;
        cache[k].valid = true;
        cache[k].has = others_[k]->Next(s, from, cursor == emptyAt, cache[k].found, problem);
        if (problem != RuleProblem::None) return problem;
      }
      // The leftmost; at one place the exact pairs first, then the others in table order.
      size_t begin = exact.has ? hit.begin : kNoSpan;
      size_t winner = kNoSpan;  // an index of others_, or kNoSpan for the exact pair
      for (size_t k = 0; k < others_.size(); ++k) {
        if (cache[k].has && cache[k].found.rawBegin < begin) {
          begin = cache[k].found.rawBegin;
          winner = k;
        }
      }
      if (begin == kNoSpan) break;
      out.append(raw.substr(copied, begin - copied));
      size_t end;
      if (winner == kNoSpan) {
        const auto& pieces = form.replacement[hit.which];
        if (!pieces) return RuleProblem::NotEncodable;
        for (size_t p = 0; p < pieces->size(); ++p) out.append(p ? lineEnd + (*pieces)[p] : (*pieces)[p]);
        end = hit.end;
      } else {
        const Found& f = cache[winner].found;
        if (!others_[winner]->AppendReplacement(subjectOf(winner), f, out)) return RuleProblem::NotEncodable;
        end = f.rawEnd;
      }
      ++count;
      const uint32_t line = static_cast<uint32_t>(winner == kNoSpan ? exactLines_[hit.which] : otherLines_[winner]);
      counted.emplace_back(line, 1);
      copied = cursor = end;
      emptyAt = begin == end ? end : kNoSpan;
      if (exact.has && hit.begin < cursor) exact.valid = false;
      for (Cached& c : cache) {
        if (c.has && (c.found.rawBegin < cursor || (c.found.rawBegin == cursor && c.found.rawBegin == c.found.rawEnd && emptyAt == cursor))) {
          c.valid = false;
        }
      }
    }
    if (count == 0) return RuleProblem::None;
    out.append(raw.substr(copied));
    work.TakeText(out);
    replaced += count;
    // One entry a pair, by line.
    std::sort(counted.begin(), counted.end());
    for (const auto& [line, n] : counted) {
      if (!pairs.empty() && pairs.back().first == line) {
        pairs.back().second += n;
      } else {
        pairs.emplace_back(line, n);
      }
    }
    return RuleProblem::None;
  }

  bool Occurs(WorkText& work, RuleProblem& problem) const override {
    problem = RuleProblem::None;
    if (work.NotText()) return false;
    const Encoding e = work.Kind().encoding;
    const std::string_view raw = work.View().substr(work.Start());
    MultiMatch::Hit hit;
    if (FindExact(FormFor(e), raw, e, 0, hit)) return true;
    for (const auto& m : others_) {
      if (m->Occurs(work, problem)) return true;
      if (problem != RuleProblem::None) return false;
    }
    return false;
  }

 private:
  // The exact pairs in one encoding: their texts in the automaton, their replacements' pieces between
  // line breaks (nothing for one the encoding cannot write).
  struct Form {
    MultiMatch automaton;
    size_t longest = 0;  // the longest text, in bytes
    std::vector<std::optional<std::vector<std::string>>> replacement;
  };
  // The first exact pair from `from` (a character's start) that starts and ends on characters. The
  // boundaries are counted from a place known to start one, moved on as the search goes (never past
  // where a candidate still to come may begin), so that no candidate is counted from far back.
  static bool FindExact(const Form& form, std::string_view raw, Encoding e, size_t from, MultiMatch::Hit& hit) {
    CharBoundaries counted(raw, e, from);
    return form.automaton.Find(raw, from, [&](const MultiMatch::Hit& h) {
      if (h.end > form.longest) counted.StartsCharacter(h.end - form.longest);
      CharBoundaries b = counted;
      return b.StartsCharacter(h.begin) && b.EndsCharacter(h.begin, h.end);
    }, hit);
  }
  const Form& FormFor(Encoding e) const {
    const size_t k = static_cast<size_t>(e);
    std::call_once(made_[k], [&] {
      Form& f = forms_[k];
      f.replacement.reserve(exact_.size());
      for (const Rule& r : exact_) {
        const std::string find = EncodeExactly(r.find, e).value_or(std::string());
        f.longest = std::max(f.longest, find.size());
        f.automaton.Add(find);
        std::vector<std::string> pieces;
        bool writable = true;
        std::u16string_view rest = r.replacement;
        for (;;) {
          const size_t at = rest.find_first_of(u"\r\n");
          auto b = EncodeExactly(rest.substr(0, at), e);
          writable = writable && b.has_value();
          pieces.push_back(b.value_or(std::string()));
          if (at == std::u16string_view::npos) break;
          rest.remove_prefix(at + (rest.substr(at, 2) == u"\r\n" ? 2 : 1));
        }
        f.replacement.push_back(writable ? std::optional(std::move(pieces)) : std::nullopt);
      }
      f.automaton.Build();
    });
    return forms_[k];
  }

  std::vector<Rule> exact_;
  std::vector<size_t> exactLines_;  // the table's line of each
  std::vector<std::shared_ptr<const Matcher>> others_;
  std::vector<size_t> otherLines_;
  bool utf8_ = false;  // some other pair searches the text as UTF-8
  mutable std::array<std::once_flag, 4> made_;
  mutable std::array<Form, 4> forms_;
};

}  // namespace

RuleProblem Matcher::ReplaceAll(WorkText& work, size_t& replaced) const {
  if (work.NotText()) return RuleProblem::None;
  const Encoding e = work.Kind().encoding;
  const size_t start = work.Start();
  const std::string_view raw = work.View().substr(start);
  std::optional<Utf8View> view;
  if (Text() == Searches::Utf8) view.emplace(raw, e);
  const Subject s{raw, view ? view->Text() : raw, view ? &*view : nullptr, e, work.LineEnd()};
  std::string out;
  Found found;
  RuleProblem problem = RuleProblem::None;
  size_t copied = 0, from = 0, count = 0;
  bool afterEmpty = false;
  while (Next(s, from, afterEmpty, found, problem)) {
    out.append(raw.substr(copied, found.rawBegin - copied));
    if (!AppendReplacement(s, found, out)) return RuleProblem::NotEncodable;
    copied = found.rawEnd;
    ++count;
    afterEmpty = found.begin == found.end;
    from = found.end;
  }
  if (problem != RuleProblem::None || count == 0) return problem;
  out.append(raw.substr(copied));
  work.TakeText(out);
  replaced += count;
  return RuleProblem::None;
}

bool Matcher::Occurs(WorkText& work, RuleProblem& problem) const {
  problem = RuleProblem::None;
  if (work.NotText()) return false;
  const Encoding e = work.Kind().encoding;
  const std::string_view raw = work.View().substr(work.Start());
  std::optional<Utf8View> view;
  if (Text() == Searches::Utf8) view.emplace(raw, e);
  const Subject s{raw, view ? view->Text() : raw, view ? &*view : nullptr, e, {}};
  Found found;
  return Next(s, 0, false, found, problem);
}

std::shared_ptr<const Matcher> BuildTable(const RuleTable& table, bool keyed, RuleError& error) {
  std::vector<Rule> exact;
  std::vector<size_t> exactLines, otherLines;
  std::vector<std::shared_ptr<const Matcher>> others;
  for (const TablePair& pair : table.pairs) {
    const Rule& r = pair.rule;
    const bool lineBreak = r.find.find_first_of(u"\r\n") != std::u16string::npos;
    const bool key = keyed && r.find.find(kKeyPlaceholder16) != std::u16string::npos;
    if (r.options.Plain() && !lineBreak && !key) {
      exact.push_back(r);
      exactLines.push_back(pair.line);
      continue;
    }
    error = {};
    auto m = BuildOne(pair.line, r, keyed, error);
    if (!m && error.rule != 0) return nullptr;
    if (!m) continue;  // (none for a pair that can find nothing)
    others.push_back(std::move(m));
    otherLines.push_back(pair.line);
  }
  return std::make_shared<TableMatcher>(std::move(exact), std::move(exactLines), std::move(others), std::move(otherLines));
}

std::optional<RuleSet> BuildRules(const std::vector<Rule>& rules, bool keyed, RuleError& error) {
  RuleSet set;
  for (size_t i = 0; i < rules.size(); ++i) {
    if (!rules[i].Active()) {
      set.push_back(nullptr);
      continue;
    }
    error = {};
    auto matcher = BuildOne(i + 1, rules[i], keyed, error);
    if (!matcher && error.rule != 0) return std::nullopt;
    set.push_back(std::move(matcher));
  }
  return set;
}

std::shared_ptr<const Matcher> BuildSearch(std::u16string_view text, RuleOptions options, RuleError& error) {
  error = {};
  return BuildOne(1, Rule{std::u16string(text), {}, options}, false, error);
}

size_t Applied::Total() const { return std::accumulate(counts.begin(), counts.end(), size_t{0}); }

Applied ApplyRules(WorkText& work, const RuleSet& rules) {
  Applied applied;
  applied.counts.assign(rules.size(), 0);
  for (size_t i = 0; i < rules.size(); ++i) {
    if (!rules[i]) continue;
    applied.problem = rules[i]->ReplaceAllCounting(work, applied.counts[i], applied.pairs);
    if (applied.problem != RuleProblem::None) {
      applied.rule = i;
      return applied;
    }
  }
  return applied;
}

}  // namespace zur
