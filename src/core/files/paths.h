// Path operations of the file set. A folder value ends in one separator, and a file path is a
// folder value followed by a file name, joined without anything in between. None of these lets an
// error escape: each gives its neutral result instead.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zur {

// Trims codes 0-32, appends one separator, then collapses runs of three and then of two separators
// (one pass each, so four become one and five become two). A blank value becomes a lone separator.
void NormalizeFolderPath(std::string& path);

// The same without appending a separator; an empty value stays empty.
void NormalizePath(std::string& path);

// `folder` + separator + `name`: the "%s\%s" composition. A folder value already ends in a
// separator, so the result holds a doubled one, which the file system reads as one.
std::string ComposePath(std::string_view folder, std::string_view name);

// The text up to and including the last separator (or drive colon), and the text after it.
std::string FolderPart(std::string_view path);
std::string FileNamePart(std::string_view path);

bool FolderExists(const std::string& path);
bool FileExists(const std::string& path);

enum class CreateOutcome { Done, Failed, Invalid };

// The path of an existing file whose name equals the given one without regard to ASCII case, when the
// path as given names no file (tree scans show file names in lower case); else the path unchanged.
std::string ResolveStoredName(const std::string& path);

// Makes the folder and every missing parent, from the top down. An empty path, or a relative path
// whose first folder does not exist, is invalid; a failing creation is failed.
CreateOutcome CreateFolderPath(const std::string& path);

// Appends `folder` + name for every entry of the folder that is not a folder (one level, no filter).
// `folder` is used as given, so it must end in a separator.
void ListFolderFiles(const std::string& folder, std::vector<std::string>& list);

// True when the trimmed drive name (such as "C:") names one of the system's drive roots (ASCII letters
// compared without regard to case). On Linux only "/" does; an empty value never does.
bool DriveExists(std::string_view drive);

// The prompt of the folder picker: the field's text when it names an existing folder, else the root.
std::string PickFolderPrompt(const std::string& current);

// What the desktop is asked to open for a file path, folder path or web address, or nothing when
// the target is a path or scheme that leads nowhere. An absolute path or an address with a scheme
// goes as it is; any other text is taken for a web address without its scheme ("http://" + text).
std::optional<std::string> OpenTargetText(std::string_view target);

}  // namespace zur
