// The output pane as an editor of one file, without its widgets: a file loaded as lines that keep
// their own line ends, a replace-all on its text, and the save that writes the text back over the file
// (never over another one) through the journalled write of the runs.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/platform/fileio.h"
#include "core/run/engine.h"
#include "core/text/encoding.h"

namespace zur {

struct PaneFile {
  std::string path;  // empty: the pane holds no file
  TextKind kind;
  bool whole = true;                    // false: only the file's beginning is shown (it cannot be saved)
  std::vector<std::u16string> lines;    // as loaded
  std::vector<std::u16string> endings;  // each line's own line end ("" after the last)
};

// Files up to this size are shown whole; of a larger file only its beginning. A very long line takes
// the text box long to lay out, so a file with one is shown whole only up to the smaller size.
inline constexpr size_t kPaneShownLimit = 2u << 20;
inline constexpr size_t kPaneLongLineLimit = 256u << 10;

struct PaneLoad {
  enum class Result { Loaded, Partial, NotText, Refused };
  Result result = Result::Refused;
  PaneFile file;            // for Loaded and Partial
  fs::Refusal refusal = fs::Refusal::Failed;  // for Refused: why
  int error = 0;
};

// Reads the file (up to the limits above) and splits its text, decoded in its own encoding, into lines.
PaneLoad LoadPaneFile(const std::string& path, Encoding localeEncoding);

// The lines joined by '\n', as the pane shows them.
std::u16string PaneText(const PaneFile& file);

// Every occurrence of `find` in the pane's text replaced, left to right, without overlaps, in whole
// characters of the encoding: the same replace-all as the rename commands use.
std::u16string ReplaceInPaneText(std::u16string_view text, std::u16string_view find, std::u16string_view replacement,
                                 Encoding e);

// The text (lines separated by '\n') as the bytes of the file: its encoding and byte-order mark, each
// line kept at the start or the end with its own line end, lines edited, added or split in between with
// the file's first line end, and the line that is last now ending as the file's last did. Every line the
// text holds is written: none is merged with the next or dropped.
std::string PaneFileBytes(const PaneFile& file, std::u16string_view text);

// The pane's save: the text written over the file it was loaded from.
struct PaneSaveRequest {
  const PaneFile& file;
  std::u16string text;
  std::string runsFolder;
};
// Done or Unchanged when written; Skipped with Why::None when the pane holds no file; else why not.
RunEvent SavePane(const PaneSaveRequest& request);

}  // namespace zur
