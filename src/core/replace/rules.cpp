#include "core/replace/rules.h"

#include "core/replace/worktext.h"
#include "core/text/codec.h"

namespace zur {
namespace {

constexpr Encoding kEncodings[] = {Encoding::Utf8, Encoding::Gb18030, Encoding::Utf16Le, Encoding::Utf16Be};

// The text's pieces between line breaks; a CR LF pair is one break.
std::vector<std::u16string_view> SplitLines(std::u16string_view text) {
  std::vector<std::u16string_view> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != u'\r' && text[i] != u'\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    start = i + 1;
  }
  lines.push_back(text.substr(start));
  return lines;
}

std::optional<std::vector<std::string>> EncodeLines(std::u16string_view text, Encoding e) {
  std::vector<std::string> pieces;
  for (std::u16string_view line : SplitLines(text)) {
    auto bytes = EncodeExactly(line, e);
    if (!bytes) return std::nullopt;
    pieces.push_back(std::move(*bytes));
  }
  return pieces;
}

}  // namespace

std::u16string TrimControl16(std::u16string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && s[b] <= 32) ++b;
  while (e > b && s[e - 1] <= 32) --e;
  return std::u16string(s.substr(b, e - b));
}

std::string OptionLetters(const RuleOptions& options) {
  std::string letters;
  if (!options.matchCase) letters += 'i';
  if (options.wholeWord) letters += 'w';
  if (options.regex) letters += 'r';
  return letters;
}

std::optional<RuleOptions> OptionsFromLetters(std::string_view letters) {
  RuleOptions options;
  for (char c : letters) {
    switch (c) {
      case 'i':
      case 'I':
        options.matchCase = false;
        break;
      case 'w':
      case 'W':
        options.wholeWord = true;
        break;
      case 'r':
      case 'R':
        options.regex = true;
        break;
      default:
        return std::nullopt;
    }
  }
  return options;
}

Rule MakeRule(std::u16string_view find, std::u16string_view replacement, RuleOptions options) {
  return Rule{TrimControl16(find), TrimControl16(replacement), options};
}

std::optional<FindText> PrepareFindText(std::u16string_view text, Encoding e) {
  auto pieces = EncodeLines(text, e);
  if (!pieces) return std::nullopt;
  return FindText(std::move(*pieces), Units::Of(e));
}

PreparedRule PrepareRule(const Rule& rule) {
  PreparedRule prepared;
  prepared.active = rule.Active();
  if (!prepared.active) return prepared;
  const size_t key = rule.find.find(kKeyPlaceholder16);
  for (Encoding e : kEncodings) {
    PreparedRule::Form& form = prepared.forms[static_cast<size_t>(e)];
    auto find = PrepareFindText(rule.find, e);
    auto replacement = EncodeLines(rule.replacement, e);
    if (!find || !replacement) continue;
    form.find = std::move(*find);
    form.replacement = std::move(*replacement);
    if (key != std::u16string::npos) {
      auto prefix = PrepareFindText(std::u16string_view(rule.find).substr(0, key), e);
      auto suffix = PrepareFindText(std::u16string_view(rule.find).substr(key + kKeyPlaceholder16.size()), e);
      if (!prefix || !suffix) continue;
      form.keyed = true;
      form.prefix = std::move(*prefix);
      form.suffix = std::move(*suffix);
    }
    form.usable = true;
  }
  const PreparedRule::Form& a = prepared.In(Encoding::Utf8);
  const PreparedRule::Form& b = prepared.In(Encoding::Gb18030);
  prepared.sameWithoutMark = a.usable && b.usable && a.find.Pieces() == b.find.Pieces() &&
                             a.prefix.Pieces() == b.prefix.Pieces() && a.keyed == b.keyed;
  return prepared;
}

std::string ReplacementBytes(const PreparedRule::Form& form, WorkText& work) {
  if (form.replacement.size() == 1) return form.replacement[0];  // no line break: no line end needed
  return ReplacementBytes(form, work.LineEnd());
}

std::string ReplacementBytes(const PreparedRule::Form& form, std::string_view lineEnd) {
  std::string out;
  for (size_t i = 0; i < form.replacement.size(); ++i) {
    if (i > 0) out.append(lineEnd);
    out.append(form.replacement[i]);
  }
  return out;
}

PreparedText PrepareText(std::u16string_view text) {
  PreparedText prepared;
  for (Encoding e : kEncodings) prepared.forms[static_cast<size_t>(e)] = PrepareFindText(text, e);
  const auto& a = prepared.In(Encoding::Utf8);
  const auto& b = prepared.In(Encoding::Gb18030);
  prepared.sameWithoutMark = a && b && a->Pieces() == b->Pieces();
  return prepared;
}

}  // namespace zur
