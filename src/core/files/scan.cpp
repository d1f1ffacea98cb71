#include "core/files/scan.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <unordered_set>

#include "core/platform/filesystem.h"
#include "core/platform/pathsyntax.h"
#include "core/text/text.h"

namespace zur {
namespace {

constexpr std::string_view kExcluded[] = {".db", ".gif", ".bmp", ".png", ".jpg", ".ico", ".emf"};

struct FolderIdHash {
  size_t operator()(const fs::FolderId& id) const { return std::hash<uint64_t>()(id.inode * 1000003u ^ id.device); }
};
using VisitedFolders = std::unordered_set<fs::FolderId, FolderIdHash>;

bool Blank(char c) { return c != '\0' && static_cast<unsigned char>(c) <= 32; }

struct ScanScope {
  FilterCheck filter;
  const ScanSink& sink;
  bool ended = false;  // the sink asked to end
  VisitedFolders visited;  // every folder entered so far
  std::vector<ScanProblem>* problems;
  bool identify;
  std::string root;
  bool followOutside;
  size_t top = 0;     // the length of the scanned folder's path: what comes after it is relative
  LeftOut leftOut{};

  std::string_view Within(const std::string& folder) const { return std::string_view(folder).substr(top); }

  // Whether a link of the tree may be followed; a refused one is told.
  bool MayFollow(const std::string& link) {
    char* real = ::realpath(link.c_str(), nullptr);
    if (!real) return true;  // leads nowhere: opening it tells
    const std::string target = real;
    std::free(real);
    struct stat st;
    const uint32_t owner = ::stat(target.c_str(), &st) == 0 ? st.st_uid : 0;
    const fs::LinkVerdict verdict = fs::JudgeLink(link, target, owner, root, followOutside);
    if (verdict == fs::LinkVerdict::Follow) return true;
    if (problems) {
      problems->push_back({link, 0,
                           verdict == fs::LinkVerdict::Outside ? ScanProblem::Kind::LinkOutside
                                                               : ScanProblem::Kind::ForeignLink,
                           target});
    }
    return false;
  }

  // Whether the file is taken, counting it where it is not.
  bool Wanted(const std::string& folder, std::string_view name) {
    switch (filter.File(name, Within(folder))) {
      case FilterCheck::Verdict::Extension:
        ++leftOut.byExtension;
        return false;
      case FilterCheck::Verdict::Filter:
        ++leftOut.byFilter;
        return false;
      case FilterCheck::Verdict::Take:
        break;
    }
    if (filter.NeedsSize()) {
      const auto size = fs::SizeOf(folder + std::string(name));
      if (size && filter.TooBig(*size)) {
        ++leftOut.byFilter;
        return false;
      }
    }
    return true;
  }
};

// The scan of one folder.
void ScanFolder(std::string folder, ScanScope& scope, bool top) {
  std::vector<fs::DirEntry> entries;
  // The files the listing identifies are those the filter takes: each is asked about once, here.
  const auto identify = [&scope, &folder](std::string_view name) { return scope.Wanted(folder, name); };
  if (!fs::ListDirectory(folder, entries, scope.identify ? identify : std::function<bool(std::string_view)>())) {
    const int error = errno;
    if (!top && scope.problems) scope.problems->push_back({folder, error, ScanProblem::Kind::Unreadable, {}});
    return;
  }
  bool first = true;
  for (const auto& e : entries) {
    if (scope.ended) return;
    const bool wasFirst = first;
    first = false;
    if (e.isLink && !scope.MayFollow(folder + e.name)) continue;
    if (e.isFolder) {
      if (!scope.filter.TakesFolder(e.name, scope.Within(folder))) {
        ++scope.leftOut.byFilter;
        continue;
      }
      std::string sub = folder + e.name + native::kSep;
      auto id = fs::IdOfFolder(sub);
      if (!id) {
        if (scope.problems) scope.problems->push_back({sub, errno, ScanProblem::Kind::Unreadable, {}});
        continue;
      }
      if (!scope.visited.insert(*id).second) continue;
      ScanFolder(sub, scope, false);
      continue;
    }
    // (A regular file the listing identified has been asked about already.)
    if (!(e.asked ? e.chosen : scope.Wanted(folder, e.name))) continue;
    // A file that comes first in a drive's root folder upper-cases the folder value. Only the
    // drive letter can change; ordinary folders keep their case on a case-sensitive file system.
    if (wasFirst && folder == native::DriveRootOf(native::DrivePart(folder))) folder = AsciiUpper(folder);
    // A regular file is known by its identity, so that a link or another file put in its place later is
    // not taken for it.
    const fs::FileId id = e.isRegular ? fs::FileId{e.device, e.inode} : fs::FileId{};
    // Every command names the file by its name as the folder holds it.
    if (!scope.sink({folder + e.name, folder + e.name, e.isRegular, id})) {
      scope.ended = true;
    }
  }
}

}  // namespace

ExtList SetExtList(std::string_view text) {
  ExtList items;
  size_t i = 0;
  const size_t n = text.size();
  auto skipBlanks = [&] {
    while (i < n && Blank(text[i])) ++i;
  };
  skipBlanks();
  while (i < n) {
    std::string item;
    if (text[i] == '"') {
      ++i;
      while (i < n) {
        if (text[i] == '"') {
          if (i + 1 < n && text[i + 1] == '"') {
            item.push_back('"');
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        item.push_back(text[i++]);
      }
    } else {
      while (i < n && text[i] != ',' && static_cast<unsigned char>(text[i]) > 32) item.push_back(text[i++]);
    }
    items.push_back(std::move(item));
    skipBlanks();
    if (i < n && text[i] == ',') {
      if (i == n - 1) items.emplace_back();
      ++i;
      skipBlanks();
    }
  }
  return items;
}

std::string FileExtension(std::string_view name, Encoding cp) {
  for (size_t k = name.size(); k > 0; --k) {
    char c = name[k - 1];
    if (native::IsDelimiter(c)) return {};
    if (c == '.') return LowerAsciiCharacters(name.substr(k - 1), cp);
  }
  return {};
}

bool IsExcludedExt(std::string_view name, Encoding cp) {
  const std::string ext = FileExtension(name, cp);
  return std::find(std::begin(kExcluded), std::end(kExcluded), ext) != std::end(kExcluded);
}

std::vector<std::string> ListedExtensions(const ExtList& list, Encoding cp) {
  std::vector<std::string> out;
  out.reserve(list.size());
  for (const auto& entry : list) out.push_back(LowerAsciiCharacters(TrimControl("." + entry), cp));
  return out;
}

bool HasListedExt(std::string_view name, const ExtList& list, Encoding cp) {
  const std::vector<std::string> listed = ListedExtensions(list, cp);
  return std::find(listed.begin(), listed.end(), FileExtension(name, cp)) != listed.end();
}

void ScanFolderTree(const std::string& folder, const FileFilter& filter, std::vector<ScanEntry>& out,
                    const std::string& leaveOut, Encoding cp, std::vector<ScanProblem>* problems, bool identify,
                    bool followOutside, LeftOut* leftOut) {
  ScanFolderTree(
      folder, filter,
      [&out](ScanEntry&& e) {
        out.push_back(std::move(e));
        return true;
      },
      leaveOut, cp, problems, identify, followOutside, leftOut);
}

void ScanFolderTree(const std::string& folder, const FileFilter& filter, const ScanSink& sink, const std::string& leaveOut,
                    Encoding cp, std::vector<ScanProblem>* problems, bool identify, bool followOutside,
                    LeftOut* leftOut) {
  // Where a link leads is told in one spelling, so the tree's folder is compared in it too.
  const std::string root = fs::CanonicalFolder(folder).value_or(folder);
  ScanScope scope{FilterCheck(filter, cp), sink, false, {}, problems, identify, root, followOutside, folder.size()};
  if (auto top = fs::IdOfFolder(folder)) scope.visited.insert(*top);
  // Marking the left-out folder as visited keeps the scan out of it.
  if (auto id = leaveOut.empty() ? std::nullopt : fs::IdOfFolder(leaveOut)) scope.visited.insert(*id);
  ScanFolder(folder, scope, true);
  if (leftOut) {
    leftOut->byExtension += scope.leftOut.byExtension;
    leftOut->byFilter += scope.leftOut.byFilter;
  }
}

}  // namespace zur
