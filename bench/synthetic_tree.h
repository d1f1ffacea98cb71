// A synthetic folder tree for the benchmarks: mixed CR LF and LF files, GBK and ASCII text, listed
// and unlisted extensions, a few hundred files a folder, three levels deep.
#pragma once

#include <cstddef>
#include <string>

namespace zur::bench {

struct TreeShape {
  size_t files = 20000;
  size_t megabytes = 300;
};

// Writes the tree under `root` (which must not exist yet). Returns the bytes written.
size_t BuildTree(const std::string& root, const TreeShape& shape);

// The extension list the benchmarks scan with, and the three rules they apply.
inline constexpr char kExtensions[] = "htm,html,txt,js,css";
inline constexpr char kFind[3][16] = {"foo", "<b>", "\xB2\xE2\xCA\xD4"};  // the last is GBK 测试
inline constexpr char kReplace[3][16] = {"barbaz", "<strong>", "\xD0\xC2"};

}  // namespace zur::bench
