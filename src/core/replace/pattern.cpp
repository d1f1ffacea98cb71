#define PCRE2_CODE_UNIT_WIDTH 8
#include "core/replace/pattern.h"

#include <pcre2.h>

#include <cctype>
#include <cstring>

namespace zur {
namespace {

// What PCRE2 is told of line ends: CR, LF and CR LF each end a line, for "^", "$", "." and "\R".
constexpr uint32_t kCompileOptions = PCRE2_UTF | PCRE2_UCP | PCRE2_MATCH_INVALID_UTF | PCRE2_MULTILINE;
// Enough for any ordinary pattern, far too little for one that backtracks without end.
constexpr uint32_t kMatchLimit = 10'000'000;
constexpr uint32_t kDepthLimit = 1'000'000;
constexpr uint32_t kHeapLimitKb = 64 * 1024;

constexpr std::string_view kWordBefore = "(?<![\\p{L}\\p{Nd}_])";
constexpr std::string_view kWordAfter = "(?![\\p{L}\\p{Nd}_])";

pcre2_code* Code(void* code) { return static_cast<pcre2_code*>(code); }

std::string ErrorMessage(int code) {
  PCRE2_UCHAR buffer[256];
  const int n = pcre2_get_error_message(code, buffer, sizeof buffer);
  return n > 0 ? std::string(reinterpret_cast<const char*>(buffer), static_cast<size_t>(n)) : std::string("error");
}

// Characters (not bytes) of UTF-8 text before `byte`.
size_t CharactersBefore(std::string_view text, size_t byte) {
  size_t n = 0;
  for (size_t i = 0; i < byte && i < text.size(); ++i) n += (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
  return n;
}

// Each thread's match context (limits, and a JIT stack of its own).
struct MatchSetting {
  pcre2_match_context* context = nullptr;
  pcre2_jit_stack* stack = nullptr;
  MatchSetting() {
    context = pcre2_match_context_create(nullptr);
    pcre2_set_match_limit(context, kMatchLimit);
    pcre2_set_depth_limit(context, kDepthLimit);
    pcre2_set_heap_limit(context, kHeapLimitKb);
    stack = pcre2_jit_stack_create(32 * 1024, 4 * 1024 * 1024, nullptr);
    if (stack) pcre2_jit_stack_assign(context, nullptr, stack);
  }
  ~MatchSetting() {
    if (stack) pcre2_jit_stack_free(stack);
    pcre2_match_context_free(context);
  }
};

pcre2_match_context* ThreadMatchContext() {
  thread_local MatchSetting setting;
  return setting.context;
}

// Each thread's match data, large enough for the pattern at hand.
pcre2_match_data* ThreadMatchData(size_t pairs) {
  struct Data {
    pcre2_match_data* data = nullptr;
    size_t pairs = 0;
    ~Data() {
      if (data) pcre2_match_data_free(data);
    }
  };
  thread_local Data d;
  if (d.pairs < pairs) {
    if (d.data) pcre2_match_data_free(d.data);
    d.data = pcre2_match_data_create(static_cast<uint32_t>(pairs), nullptr);
    d.pairs = pairs;
  }
  return d.data;
}

// A text matched as it is: every ASCII character that is not a letter or digit escaped, line breaks
// as "\n" (which the translation then makes any line end).
std::string Quoted(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += "\\n";
    } else if (static_cast<unsigned char>(c) < 0x80 && !std::isalnum(static_cast<unsigned char>(c))) {
      out += '\\';
      out += c;
    } else {
      out += c;
    }
  }
  return out;
}

// "\n" and typed line breaks match any line end: "\R" outside a class (PCRE2 is told that "\R" is CR,
// LF or CR LF), CR and LF both inside one ("[^\n]" leaves out either).
std::string LineBreaksAnyLineEnd(std::string_view p) {
  std::string out;
  bool inClass = false, quoted = false;
  for (size_t i = 0; i < p.size(); ++i) {
    const char c = p[i];
    if (quoted) {
      if (c == '\\' && i + 1 < p.size() && p[i + 1] == 'E') {
        quoted = false;
        out += "\\E";
        ++i;
      } else if (c == '\r' || c == '\n') {
        if (c == '\r' && i + 1 < p.size() && p[i + 1] == '\n') ++i;
        out += inClass ? "\\E\\r\\n\\Q" : "\\E\\R\\Q";
      } else {
        out += c;
      }
      continue;
    }
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < p.size() && p[i + 1] == '\n') ++i;
      out += inClass ? "\\r\\n" : "\\R";
      continue;
    }
    if (c == '\\' && i + 1 < p.size()) {
      const char next = p[++i];
      if (next == 'n') {
        out += inClass ? "\\r\\n" : "\\R";
      } else if (next == 'Q') {
        quoted = true;
        out += "\\Q";
      } else {
        out += '\\';
        out += next;
      }
      continue;
    }
    if (!inClass && c == '[') {
      inClass = true;
      out += c;
      // A "]" first in a class (or after "^") is a character of it.
      if (i + 1 < p.size() && p[i + 1] == '^') out += p[++i];
      if (i + 1 < p.size() && p[i + 1] == ']') out += p[++i];
      continue;
    }
    if (inClass && c == '[' && i + 1 < p.size() && p[i + 1] == ':') {
      // A POSIX class name inside a class: copied to its end.
      const size_t end = p.find(":]", i + 2);
      if (end != std::string_view::npos) {
        out.append(p.substr(i, end + 2 - i));
        i = end + 1;
        continue;
      }
    }
    if (inClass && c == ']') inClass = false;
    out += c;
  }
  return out;
}

// Verbs such as "(*UCP)" or "(*CRLF)" must stay first.
size_t LeadingVerbs(std::string_view p) {
  size_t at = 0;
  while (p.substr(at, 2) == "(*") {
    const size_t end = p.find(')', at);
    if (end == std::string_view::npos) break;
    at = end + 1;
  }
  return at;
}

std::string Wrapped(std::string_view body, const PatternOptions& options) {
  const size_t verbs = LeadingVerbs(body);
  std::string out(body.substr(0, verbs));
  if (options.wordStart) out += kWordBefore;
  out += "(?:";
  out += body.substr(verbs);
  out += ")";
  if (options.wordEnd) out += kWordAfter;
  return out;
}

pcre2_code* CompileText(const std::string& text, const PatternOptions& options, int& code, size_t& offset) {
  pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
  pcre2_set_newline(context, PCRE2_NEWLINE_ANYCRLF);
  pcre2_set_bsr(context, PCRE2_BSR_ANYCRLF);
  PCRE2_SIZE at = 0;
  pcre2_code* compiled = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(),
                                       kCompileOptions | (options.matchCase ? 0 : PCRE2_CASELESS), &code, &at, context);
  pcre2_compile_context_free(context);
  offset = at;
  return compiled;
}

// The byte a first look may search for: the pattern's required or first code unit, when it is ASCII
// (then it is that byte in every encoding the program reads). Letters whose Unicode case partners are
// not ASCII (k: the Kelvin sign, s: the long s) give nothing.
unsigned char RequiredAsciiByte(pcre2_code* code) {
  uint32_t type = 0, unit = 0;
  if (pcre2_pattern_info(code, PCRE2_INFO_LASTCODETYPE, &type) == 0 && type == 1 &&
      pcre2_pattern_info(code, PCRE2_INFO_LASTCODEUNIT, &unit) == 0) {
  } else if (pcre2_pattern_info(code, PCRE2_INFO_FIRSTCODETYPE, &type) == 0 && type == 1 &&
             pcre2_pattern_info(code, PCRE2_INFO_FIRSTCODEUNIT, &unit) == 0) {
  } else {
    return 0;
  }
  if (unit == 0 || unit >= 0x80) return 0;
  const char lower = static_cast<char>(std::tolower(static_cast<int>(unit)));
  if (lower == 'k' || lower == 's') return 0;
  return static_cast<unsigned char>(unit);
}

// The ASCII text every match starts with, when the pattern begins with plain characters (up to the
// first one that means something in a pattern, or is not ASCII; a quantifier takes back the character
// before it). Nothing when case is ignored, or when the pattern has an alternative anywhere ("|": the
// first branch's text would not be needed by the others).
std::string LiteralStartOf(std::string_view text, const PatternOptions& options) {
  if (!options.matchCase) return {};
  if (options.literal) {
    size_t n = 0;
    while (n < text.size() && static_cast<unsigned char>(text[n]) < 0x80 && text[n] != '\r' && text[n] != '\n') ++n;
    return std::string(text.substr(0, n));
  }
  if (text.find('|') != std::string_view::npos) return {};
  size_t n = 0;
  while (n < text.size() && static_cast<unsigned char>(text[n]) < 0x80 && std::strchr("\\^$.[]()?*+{}\r\n#", text[n]) == nullptr) {
    ++n;
  }
  if (n > 0 && n < text.size() && std::strchr("?*{", text[n]) != nullptr) --n;
  return std::string(text.substr(0, n));
}

// The length of the character at `at` (a CR LF pair counts as one); 1 for a byte that starts none.
size_t StepAt(std::string_view s, size_t at) {
  if (at + 1 < s.size() && s[at] == '\r' && s[at + 1] == '\n') return 2;
  const auto c = static_cast<unsigned char>(s[at]);
  const size_t len = c < 0xC2 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : c < 0xF5 ? 4 : 1;
  if (at + len > s.size()) return 1;
  for (size_t k = 1; k < len; ++k) {
    if ((static_cast<unsigned char>(s[at + k]) & 0xC0) != 0x80) return 1;
  }
  return len;
}

}  // namespace

std::string CompiledPatternText(std::string_view text, const PatternOptions& options) {
  return Wrapped(LineBreaksAnyLineEnd(options.literal ? Quoted(text) : std::string(text)), options);
}

std::unique_ptr<Pattern> Pattern::Compile(std::string_view text, const PatternOptions& options, PatternError& error) {
  int code = 0;
  size_t offset = 0;
  const std::string as = options.literal ? Quoted(text) : std::string(text);
  // The pattern as typed says where an error is in words the user knows.
  pcre2_code* plain = CompileText(as, options, code, offset);
  if (!plain) {
    error = {options.literal ? 0 : CharactersBefore(text, offset), ErrorMessage(code)};
    return nullptr;
  }
  pcre2_code_free(plain);
  pcre2_code* compiled = CompileText(CompiledPatternText(text, options), options, code, offset);
  if (!compiled) {
    // (A "\n" where a line end of two characters cannot be, inside a lookbehind, say: then it is LF.)
    compiled = CompileText(Wrapped(as, options), options, code, offset);
  }
  if (!compiled) {
    error = {0, ErrorMessage(code)};
    return nullptr;
  }
  pcre2_jit_compile(compiled, PCRE2_JIT_COMPLETE);  // without the JIT the interpreter matches
  auto pattern = std::unique_ptr<Pattern>(new Pattern());
  pattern->code_ = compiled;
  uint32_t count = 0;
  pcre2_pattern_info(compiled, PCRE2_INFO_CAPTURECOUNT, &count);
  pattern->groups_ = count;
  pattern->required_ = RequiredAsciiByte(compiled);
  pattern->start_ = LiteralStartOf(text, options);
  return pattern;
}

Pattern::~Pattern() {
  if (code_) pcre2_code_free(Code(code_));
}

int Pattern::GroupNumber(std::string_view name) const {
  const std::string n(name);
  const int number = pcre2_substring_number_from_name(Code(code_), reinterpret_cast<PCRE2_SPTR>(n.c_str()));
  return number > 0 ? number : -1;
}

bool Pattern::Find(std::string_view subject, size_t from, bool notEmptyAt, PatternMatch& match,
                   PatternFailure& failure) const {
  failure = PatternFailure::None;
  pcre2_match_data* data = ThreadMatchData(groups_ + 1);
  auto run = [&](size_t at, uint32_t options) {
    return pcre2_match(Code(code_), reinterpret_cast<PCRE2_SPTR>(subject.data()), subject.size(), at, options, data,
                       ThreadMatchContext());
  };
  if (from > subject.size()) return false;
  int rc;
  if (notEmptyAt) {
    // After an empty match: a non-empty one here, else the search goes on a character further (never
    // inside a character, nor between the CR and LF of a pair).
    rc = run(from, PCRE2_NOTEMPTY_ATSTART | PCRE2_ANCHORED);
    if (rc == PCRE2_ERROR_NOMATCH) {
      if (from >= subject.size()) return false;
      rc = run(from + StepAt(subject, from), 0);
    }
  } else {
    rc = run(from, 0);
  }
  if (rc == PCRE2_ERROR_NOMATCH) return false;
  if (rc < 0) {
    failure = (rc == PCRE2_ERROR_MATCHLIMIT || rc == PCRE2_ERROR_DEPTHLIMIT || rc == PCRE2_ERROR_HEAPLIMIT ||
               rc == PCRE2_ERROR_JIT_STACKLIMIT)
                  ? PatternFailure::TooCostly
                  : PatternFailure::Failed;
    return false;
  }
  const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data);
  match.groups.assign(2 * (groups_ + 1), PatternMatch::kUnset);
  const size_t set = static_cast<size_t>(rc == 0 ? groups_ + 1 : rc);
  for (size_t i = 0; i < 2 * set; ++i) match.groups[i] = ovector[i] == PCRE2_UNSET ? PatternMatch::kUnset : ovector[i];
  return true;
}

std::optional<std::vector<ReplacementPiece>> ParseReplacement(std::string_view text, const Pattern* pattern,
                                                              ReplacementError& error) {
  std::vector<ReplacementPiece> pieces;
  auto literal = [&](std::string_view part) {
    if (pieces.empty() || pieces.back().kind != ReplacementPiece::Kind::Text) pieces.push_back({});
    pieces.back().text.append(part);
  };
  auto lineBreak = [&] { pieces.push_back({ReplacementPiece::Kind::LineBreak, {}, 0}); };
  auto group = [&](size_t number, size_t at) {
    if (number > pattern->Groups()) {
      error = {CharactersBefore(text, at), "the pattern has no group " + std::to_string(number)};
      return false;
    }
    pieces.push_back({ReplacementPiece::Kind::Group, {}, number});
    return true;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      lineBreak();
      continue;
    }
    if (!pattern) {
      literal(text.substr(i, 1));
      continue;
    }
    if (c == '\\' && i + 1 < text.size() && (text[i + 1] == 'n' || text[i + 1] == 't' || text[i + 1] == '\\')) {
      const char escaped = text[++i];
      if (escaped == 'n') {
        lineBreak();
      } else {
        literal(escaped == 't' ? "\t" : "\\");
      }
      continue;
    }
    if (c != '$' || i + 1 >= text.size()) {
      literal(text.substr(i, 1));
      continue;
    }
    const size_t at = i;
    const char next = text[i + 1];
    if (next == '$') {
      literal("$");
      ++i;
    } else if (std::isdigit(static_cast<unsigned char>(next))) {
      // One or two digits, as PHP reads them.
      size_t number = static_cast<size_t>(next - '0');
      ++i;
      if (i + 1 < text.size() && std::isdigit(static_cast<unsigned char>(text[i + 1]))) {
        number = number * 10 + static_cast<size_t>(text[++i] - '0');
      }
      if (!group(number, at)) return std::nullopt;
    } else if (next == '{') {
      const size_t end = text.find('}', i + 2);
      if (end == std::string_view::npos) {
        error = {CharactersBefore(text, at), "a \"${\" without its \"}\""};
        return std::nullopt;
      }
      const std::string_view name = text.substr(i + 2, end - i - 2);
      size_t number = 0;
      bool digits = !name.empty() && name.size() <= 2;
      for (char d : name) digits = digits && std::isdigit(static_cast<unsigned char>(d));
      if (digits) {
        for (char d : name) number = number * 10 + static_cast<size_t>(d - '0');
      } else {
        const int n = pattern->GroupNumber(name);
        if (n < 0) {
          error = {CharactersBefore(text, at), "the pattern has no group named \"" + std::string(name) + "\""};
          return std::nullopt;
        }
        number = static_cast<size_t>(n);
      }
      if (!group(number, at)) return std::nullopt;
      i = end;
    } else {
      literal("$");
    }
  }
  return pieces;
}

}  // namespace zur
