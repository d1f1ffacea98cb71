// Which files of a tree a command takes: one value, made when the command starts and carried by its
// request, that the scan asks about every folder and file it meets.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/text/codec.h"

namespace zur {

using ExtList = std::vector<std::string>;

struct FileFilter {
  // The extensions of the files to take, as the extension field holds them: "*" takes every file, and
  // an entry without a dot in a file's name (such as "Makefile") takes the files of that name that have
  // no extension.
  ExtList extensions;
  // Patterns of the files to take (any file when there are none; the extension list still applies) and
  // of the files and folders to leave out. A pattern without "/" is matched against the name of each
  // file and folder at any depth; one with "/" (a leading one too) against the path below the source
  // folder, "*" never crossing a "/"; one ending in "/" names folders only.
  std::vector<std::string> include;
  std::vector<std::string> exclude;
  std::vector<std::string> excludeFolders;  // folder names never entered (exactly as written)
  bool skipHidden = false;                  // names starting with "." are left out, folders too
  uint64_t maxSize = 0;                     // bytes; a larger file is left out (0: no limit)

  FileFilter() = default;
  // A filter of extensions alone: the way every command chose its files before the other parts.
  FileFilter(ExtList list) : extensions(std::move(list)) {}  // NOLINT: a list is a filter
  bool ByExtensionOnly() const {
    return include.empty() && exclude.empty() && excludeFolders.empty() && !skipHidden && maxSize == 0;
  }
};

// What the filters left out of a scan (files seen and not taken; folders left out are not entered).
struct LeftOut {
  size_t byExtension = 0;  // files whose extension is not listed (or is never taken)
  size_t byFilter = 0;     // files and folders left out by the patterns, hidden names or the size
};

// Patterns as a field holds them: separated by commas (blanks around each are dropped).
std::vector<std::string> SplitPatterns(std::string_view text);

// A largest size as a user writes it: a number of kilobytes, or a number followed by K, KB, M, MB, G
// or GB (any case; 1K = 1024 bytes). Empty: no limit (0). Nothing when it is no such size.
std::optional<uint64_t> ParseSize(std::string_view text);

// A filter's patterns checked before anything is read: the first that cannot be a pattern (an
// unclosed "[", a "\" at the end, an empty one), or nothing.
std::optional<std::string> BadPattern(const FileFilter& filter);

// The parts of a filter made once for a scan.
class FilterCheck {
 public:
  FilterCheck(const FileFilter& filter, Encoding cp);
  // A folder or a file of that name met in the folder `within` (its path below the source folder,
  // ending in a separator, or empty for the source folder itself). A file's size is asked of it by
  // the scan, only where a limit is set.
  bool TakesFolder(std::string_view name, std::string_view within) const;
  enum class Verdict { Take, Extension, Filter };
  Verdict File(std::string_view name, std::string_view within) const;
  bool NeedsSize() const { return filter_.maxSize > 0; }
  bool TooBig(uint64_t size) const { return filter_.maxSize > 0 && size > filter_.maxSize; }

 private:
  // A pattern as it is matched: without a leading "/" (the source folder's own parts are never part
  // of the path matched) nor a trailing one (which says it names folders only).
  struct Pattern {
    std::string text;
    bool path = false;         // holds a "/": matched against the path below the source folder
    bool foldersOnly = false;  // ended in "/"
    // Most patterns are a plain name or "*" and a plain ending: those are compared, not matched.
    enum class Form { Plain, Ending, Wild } form = Form::Wild;
    bool Matches(const std::string& name, const std::string& relative, bool folder) const;
  };
  static Pattern Prepared(std::string p);
  bool Excluded(const std::string& name, const std::string& relative) const;
  bool Listed(std::string_view name) const;

  FileFilter filter_;
  std::vector<Pattern> include_, exclude_;
  Encoding cp_;
  bool everyFile_ = false;
  std::vector<std::string> listed_;  // "." + each entry, trimmed and lower-cased
  std::vector<std::string> names_;   // each entry lower-cased (whole names without extension)
};

}  // namespace zur
