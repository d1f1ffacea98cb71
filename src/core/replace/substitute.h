// The substitution operations that every command rewrites, tests or copies text with. They work on a
// file's own bytes in its own encoding (WorkText) and never raise.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "core/replace/rules.h"
#include "core/replace/worktext.h"
#include "core/text/codec.h"

namespace zur {

inline constexpr int MaxKeyMatches = 1000;

// Every occurrence of `find` in `text` from `start` on, left to right and without overlaps, that
// starts and ends on a character boundary of the text as it is (a two-byte character is never cut in
// two). `any` tells whether the text occurs at all, boundaries aside. Searching begins at `from`
// (when no occurrence lies before it), characters are counted from `start`.
std::vector<Span> Occurrences(std::string_view text, size_t start, const FindText& find, Encoding e, bool* any = nullptr,
                              size_t from = 0);

// Replaces the spans (in order, not overlapping) by `replacement` inside the buffer, without a second
// copy of the text unless the spans differ in length around the replacement's.
void ReplaceSpans(ByteBuffer& bytes, const std::vector<Span>& spans, std::string_view replacement);

// The replace-all of plain byte strings (names, the output pane's text): every occurrence replaced,
// left to right, no overlaps, replacement texts never scanned again, and no occurrence that would
// start or end inside a character of the encoding.
std::string ReplaceAll(std::string_view text, std::string_view find, std::string_view replacement, Encoding e,
                       size_t* replaced = nullptr);

// The text batches' rule: true when the find text occurs in the file (plain search); then every
// occurrence on character boundaries is replaced, the replacement's line breaks written as the file's.
bool ReplaceInWorkText(WorkText& work, const PreparedRule& rule, size_t* replaced = nullptr);

// One rule with "#key#" understood: with "prefix#key#suffix" every span from a prefix to the nearest
// following suffix (across lines too) becomes the replacement, at most MaxKeyMatches times; the next
// pass searches again from the start of the inserted text. Without the placeholder, as above.
void ReplaceKeyPattern(WorkText& work, const PreparedRule& rule, size_t* replaced = nullptr);

// The first occurrence at or after `from` that starts and ends on character boundaries (counted from
// `start`), or a span with begin == kNoSpan.
Span FirstOccurrenceFrom(std::string_view text, size_t start, const FindText& find, Encoding e, size_t from);

// True when the text occurs in the file, in the file's encoding, starting and ending on character
// boundaries as the batch counts an occurrence (a plain search, whole code units).
bool WorkTextContains(WorkText& work, const PreparedText& text);

}  // namespace zur
