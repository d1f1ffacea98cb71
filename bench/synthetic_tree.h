// Synthetic folder trees for the benchmarks.
#pragma once

#include <cstddef>
#include <string>

namespace zur::bench {

struct TreeShape {
  size_t files = 20000;
  size_t megabytes = 300;
};

// Mixed CR LF and LF files, GBK and ASCII text, listed and unlisted extensions, a few hundred files a
// folder, three levels deep; the three rules below turn up in most files. Returns the bytes written.
size_t BuildTree(const std::string& root, const TreeShape& shape);

// The extension list the benchmarks scan with, and the three rules they apply.
inline constexpr char kExtensions[] = "htm,html,txt,js,css";
inline constexpr char kFind[3][16] = {"foo", "<b>", "\xB2\xE2\xCA\xD4"};  // the last is GBK 测试
inline constexpr char kReplace[3][16] = {"barbaz", "<strong>", "\xD0\xC2"};

// A web site: HTML, script and style files of markup, English and Chinese text. The word kMarker
// stands in `markerShare` of the files (once each) and kEveryFile in every file. With `mixed`, half
// the files hold their Chinese text in GBK and half in UTF-8 (with their charset declared); else all
// in GBK. Returns the bytes written.
struct SiteShape {
  size_t files = 20000;
  size_t megabytes = 200;
  double markerShare = 0.1;
  bool mixed = false;
};
size_t BuildSite(const std::string& root, const SiteShape& shape);

inline constexpr char kMarker[] = "zurmark";
inline constexpr char kEveryFile[] = "copyright";

}  // namespace zur::bench
