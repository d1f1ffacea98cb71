// The recursive scan of a folder tree with its extension filters, used by every command that works on
// a whole tree. The extension list comes from the extension field: comma- or blank-separated
// extensions without dots.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/files/filter.h"
#include "core/platform/fileio.h"
#include "core/text/codec.h"

namespace zur {

// Splits the field's text the way a comma-separated text line is split: commas and blanks separate,
// a double-quoted item may hold both ("" is one quote), two commas give an empty item, a trailing comma
// an empty last item. A blank text gives an empty list. Entries keep the letters as typed.
ExtList SetExtList(std::string_view text);

// The part of a file name from its last dot on, dot included and lower-cased; empty without a dot.
// Letters are lower-cased only where they are characters of their own under the code page.
std::string FileExtension(std::string_view name, Encoding cp = Encoding::Utf8);

// True for the picture and database extensions that no scan ever yields.
bool IsExcludedExt(std::string_view name, Encoding cp = Encoding::Utf8);

// The list's entries as extensions compare: "." + each entry, trimmed and lower-cased.
std::vector<std::string> ListedExtensions(const ExtList& list, Encoding cp = Encoding::Utf8);

// True when "." + an entry of the list (trimmed, lower-cased) equals the name's extension.
bool HasListedExt(std::string_view name, const ExtList& list, Encoding cp = Encoding::Utf8);

// A file found by a scan: the path as the commands show it and the path as stored, which every file
// access uses. Both hold the file's name as its folder lists it (only extensions are compared without
// regard to case).
struct ScanEntry {
  std::string shown;
  std::string stored;
  bool regular = false;  // the listing said it is a regular file (no link)
  fs::FileId id;         // (a scan that identifies) which regular file the listing saw
};

// A folder the scan could not open, and the system's error number.
// The extension list a new user starts with (and the window's default button gives back).
inline constexpr char kDefaultExtensions[] = "htm,html,shtml,asp,php,aspx,jsp,txt,js,css";

struct ScanProblem {
  enum class Kind {
    Unreadable,    // a folder that could not be opened (`error` says why)
    LinkOutside,   // a link that leads out of the tree, not followed (`target`: where to)
    ForeignLink,   // (as root) a link of another user's to a file of a third, not followed
  };
  std::string folder;  // the folder, or the link
  int error = 0;
  Kind kind = Kind::Unreadable;
  std::string target;
};

// Appends the files of the tree under `folder` (ending in a separator) that `filter` takes (among them
// only files whose extension is listed and not excluded): depth first, pre-order, each folder's entries in listing order, hidden files included.
// Files are named as their folders list them. Links to folders are followed like
// folders, but a folder reached a second time is not entered again. A folder named in `leaveOut` (for
// instance the output folder inside the source folder) is not entered. Sub-folders that cannot be
// opened are added to `problems` when given. With `identify`, each regular file found also gets its
// identity (for a command that writes it: a file put in its place later is then not taken for it).
// A link (to a file or a folder) that leads out of the tree is not followed unless `followOutside`,
// and, running as root, a link of another user's to a file of a third never is; either is added to
// `problems`. `folder` is in one spelling (fs::CanonicalFolder) for that test. What the filter left
// out is counted in `leftOut` when given.
void ScanFolderTree(const std::string& folder, const FileFilter& filter, std::vector<ScanEntry>& out,
                    const std::string& leaveOut = {}, Encoding cp = Encoding::Utf8,
                    std::vector<ScanProblem>* problems = nullptr, bool identify = false, bool followOutside = false,
                    LeftOut* leftOut = nullptr);

// The same, handing each file to `sink` as it is found; the scan ends early when the sink says false.
using ScanSink = std::function<bool(ScanEntry&&)>;
void ScanFolderTree(const std::string& folder, const FileFilter& filter, const ScanSink& sink,
                    const std::string& leaveOut = {}, Encoding cp = Encoding::Utf8,
                    std::vector<ScanProblem>* problems = nullptr, bool identify = false, bool followOutside = false,
                    LeftOut* leftOut = nullptr);

}  // namespace zur
