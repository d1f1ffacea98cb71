#include "synthetic_tree.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

namespace zur::bench {
namespace {

const char* const kExt[] = {"htm", "htm", "html", "txt", "txt", "js", "css", "png", "dat", "gif"};

std::string Line(std::mt19937& rng) {
  static const char* const words[] = {"alpha", "</b>", "div", "class=\"x\"", "var", "function", "return", "href"};
  std::string line;
  const int kind = static_cast<int>(rng() % 4);
  const size_t length = 20 + rng() % 100;
  while (line.size() < length) {
    if (kind == 0) {  // GBK text: characters from the common block
      unsigned lead = 0xB0 + rng() % 40, trail = 0xA1 + rng() % 94;
      line.push_back(static_cast<char>(lead));
      line.push_back(static_cast<char>(trail));
      if (rng() % 400 == 0) line += "\xB2\xE2\xCA\xD4";
    } else {
      // The rule texts turn up a few times a file, as a year or a site name would.
      const unsigned pick = rng() % 1000;
      line += pick < 4 ? "foo" : pick < 8 ? "<b>" : words[rng() % std::size(words)];
      line.push_back(' ');
    }
  }
  return line;
}

}  // namespace

size_t BuildTree(const std::string& root, const TreeShape& shape) {
  std::mt19937 rng(424242);
  const size_t average = shape.megabytes * 1000 * 1000 / (shape.files ? shape.files : 1);
  size_t written = 0;
  std::string folder;
  for (size_t i = 0; i < shape.files; ++i) {
    if (i % 300 == 0) {
      // Three levels: root/dNN/eNN/fNN, a new leaf folder every 300 files.
      size_t n = i / 300;
      folder = root + "/d" + std::to_string(n % 7) + "/e" + std::to_string(n % 5) + "/f" + std::to_string(n);
      std::filesystem::create_directories(folder);
    }
    const bool crlf = rng() % 2 == 0;
    const size_t target = average / 2 + rng() % (average + 1);
    std::string body;
    body.reserve(target + 200);
    while (body.size() < target) {
      body += Line(rng);
      body += crlf ? "\r\n" : "\n";
    }
    std::ofstream(folder + "/file" + std::to_string(i) + "." + kExt[rng() % std::size(kExt)], std::ios::binary)
        .write(body.data(), static_cast<std::streamsize>(body.size()));
    written += body.size();
  }
  return written;
}

}  // namespace zur::bench
