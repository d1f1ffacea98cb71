#include "core/files/paths.h"

#include <algorithm>

#include "core/platform/filesystem.h"
#include "core/platform/pathsyntax.h"
#include "core/text/text.h"

namespace zur {
namespace {

// Runs of separators are collapsed the way the stored folder values always were: tripled ones to one,
// then doubled ones to one, so that a run of n becomes ceil((n / 3 + n % 3) / 2) (five leave two).
void CollapseSeparators(std::string& path) {
  if (path.find(std::string(2, native::kSep)) == std::string::npos) return;  // the usual case
  std::string out;
  out.reserve(path.size());
  for (size_t i = 0; i < path.size();) {
    if (path[i] != native::kSep) {
      out.push_back(path[i++]);
      continue;
    }
    size_t run = 0;
    while (i < path.size() && path[i] == native::kSep) ++run, ++i;
    const size_t afterTriples = run / 3 + run % 3;
    out.append((afterTriples + 1) / 2, native::kSep);
  }
  path = std::move(out);
}

size_t LastDelimiter(std::string_view path) {
  for (size_t i = path.size(); i > 0; --i) {
    if (native::IsDelimiter(path[i - 1])) return i - 1;
  }
  return std::string_view::npos;
}

bool HasUrlScheme(std::string_view text) {
  size_t colon = text.find(':');
  if (colon == std::string_view::npos || colon == 0) return false;
  auto alpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  if (!alpha(text[0])) return false;
  return std::all_of(text.begin() + 1, text.begin() + static_cast<long>(colon), [&](char c) {
    return alpha(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
  });
}

}  // namespace

void NormalizeFolderPath(std::string& path) {
  path = TrimControl(path);
  path.push_back(native::kSep);
  CollapseSeparators(path);
}

void NormalizePath(std::string& path) {
  const auto edge = [](char c) { return static_cast<unsigned char>(c) <= 32; };
  if (!path.empty() && (edge(path.front()) || edge(path.back()))) path = TrimControl(path);
  CollapseSeparators(path);
}

std::string ComposePath(std::string_view folder, std::string_view name) {
  std::string out;
  out.reserve(folder.size() + 1 + name.size());
  out.append(folder);
  out.push_back(native::kSep);
  out.append(name);
  return out;
}

std::string FolderPart(std::string_view path) {
  size_t at = LastDelimiter(path);
  return at == std::string_view::npos ? std::string() : std::string(path.substr(0, at + 1));
}

std::string FileNamePart(std::string_view path) {
  size_t at = LastDelimiter(path);
  return std::string(at == std::string_view::npos ? path : path.substr(at + 1));
}

bool FolderExists(const std::string& path) {
  try {
    return fs::Probe(path) == fs::Kind::Folder;
  } catch (...) {
    return false;
  }
}

bool FileExists(const std::string& path) {
  try {
    return fs::Probe(path) == fs::Kind::File;
  } catch (...) {
    return false;
  }
}

std::string ResolveStoredName(const std::string& path) {
  if (path.empty() || FileExists(path)) return path;
  const std::string folder = FolderPart(path);
  const std::string name = AsciiLower(FileNamePart(path));
  std::vector<fs::DirEntry> entries;
  if (!fs::ListDirectory(folder, entries)) return path;
  for (const auto& e : entries) {
    if (!e.isFolder && AsciiLower(e.name) == name) return folder + e.name;
  }
  return path;
}

CreateOutcome CreateFolderPath(const std::string& path) {
  try {
    if (path.empty()) return CreateOutcome::Invalid;
    std::string rest = path;
    if (rest.back() == native::kSep) rest.pop_back();
    std::string parent = FolderPart(rest);
    if (native::IsDriveLevel(rest) || FolderExists(rest) || rest == parent) return CreateOutcome::Done;
    CreateOutcome up = CreateFolderPath(parent);
    if (up != CreateOutcome::Done) return up;
    return fs::MakeFolder(rest) ? CreateOutcome::Done : CreateOutcome::Failed;
  } catch (...) {
    return CreateOutcome::Failed;
  }
}

void ListFolderFiles(const std::string& folder, std::vector<std::string>& list) {
  std::vector<fs::DirEntry> entries;
  if (!fs::ListDirectory(folder, entries)) return;
  for (const auto& e : entries) {
    if (!e.isFolder) list.push_back(folder + e.name);
  }
}

bool DriveExists(std::string_view drive) {
  try {
    std::string root = native::DriveRootOf(TrimControl(drive));
    if (root.empty()) return false;
    for (const auto& r : native::DriveRoots()) {
      if (AsciiLower(r) == AsciiLower(root)) return true;
    }
    return false;
  } catch (...) {
    return false;
  }
}

std::string PickFolderPrompt(const std::string& current) {
  return FolderExists(current) ? current : std::string(native::kSepText);
}

std::optional<std::string> OpenTargetText(std::string_view target) {
  try {
    const std::string text(target);
    const std::string lower = AsciiLower(text);
    const bool pathOrScheme = (!text.empty() && text[0] == native::kSep) || HasUrlScheme(text);
    const bool openable = Contains(lower, "http:") || Contains(lower, "https:") || !pathOrScheme ||
                          FolderExists(text) || FileExists(text);
    if (!openable) return std::nullopt;
    if (pathOrScheme) return text;
    return "http://" + text;
  } catch (...) {
    return std::nullopt;
  }
}

}  // namespace zur
