// How this platform writes paths: the folder separator, what a drive is, and which characters end
// a folder part. Everything that composes or splits a path asks here, so a Windows build only
// changes this file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zur::native {

#ifdef _WIN32
inline constexpr char kSep = '\\';
// The folder part of a path ends at the last separator or drive colon.
inline bool IsDelimiter(char c) { return c == '\\' || c == ':'; }
#else
inline constexpr char kSep = '/';
inline bool IsDelimiter(char c) { return c == '/'; }
#endif

inline constexpr std::string_view kSepText{&kSep, 1};

// The drive part of a path: "C:" on Windows; on Linux "/" for an absolute path. A relative path
// (or a network path) has an empty drive part.
inline std::string DrivePart(std::string_view path) {
#ifdef _WIN32
  auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  if (path.size() >= 2 && letter(path[0]) && path[1] == ':') return std::string(path.substr(0, 2));
  return {};
#else
  return (!path.empty() && path[0] == '/') ? "/" : "";
#endif
}

// The root folder of a drive name: "C:" gives "C:\"; on Linux "/" is already
// the root. An empty drive name names no root.
inline std::string DriveRootOf(std::string_view spec) {
  if (spec.empty()) return {};
#ifdef _WIN32
  return std::string(spec) + "\\";
#else
  return std::string(spec);
#endif
}

// The drive roots of the system. Linux has exactly one.
std::vector<std::string> DriveRoots();

// True when what remains of a folder path after removing its trailing separator is a drive
// name or nothing at all, so there is nothing to create. On Windows that is any text of
// fewer than three characters ("C:", "").
inline bool IsDriveLevel(std::string_view rest) {
#ifdef _WIN32
  return rest.size() < 3;
#else
  return rest.empty();
#endif
}

}  // namespace zur::native
