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

namespace {

// A Chinese phrase from a small vocabulary, as UTF-8 (the GBK form is made by the caller).
const char* const kChinese[] = {"首页", "新闻", "产品", "联系我们", "测试", "关于", "下载", "帮助"};

std::string ToGbk(const std::string& utf8) {
  // The vocabulary's GBK bytes, in the same order.
  static const char* const gbk[] = {"\xCA\xD7\xD2\xB3", "\xD0\xC2\xCE\xC5", "\xB2\xFA\xC6\xB7",
                                    "\xC1\xAA\xCF\xB5\xCE\xD2\xC3\xC7", "\xB2\xE2\xCA\xD4", "\xB9\xD8\xD3\xDA",
                                    "\xCF\xC2\xD4\xD8", "\xB0\xEF\xD6\xFA"};
  for (size_t i = 0; i < std::size(kChinese); ++i) {
    if (utf8 == kChinese[i]) return gbk[i];
  }
  return utf8;
}

}  // namespace

size_t BuildSite(const std::string& root, const SiteShape& shape) {
  std::mt19937 rng(777);
  static const char* const ext[] = {"htm", "html", "htm", "js", "css", "txt", "png"};
  static const char* const words[] = {"<div class=\"item\">", "</div>", "<a href=\"/page.htm\">", "</a>",
                                      "the", "quick", "brown", "fox", "var", "function", "return", "<p>", "</p>"};
  const size_t average = shape.megabytes * 1000 * 1000 / (shape.files ? shape.files : 1);
  size_t written = 0;
  std::string folder;
  for (size_t i = 0; i < shape.files; ++i) {
    if (i % 250 == 0) {
      const size_t n = i / 250;
      folder = root + "/s" + std::to_string(n % 9) + "/t" + std::to_string(n % 4) + "/p" + std::to_string(n);
      std::filesystem::create_directories(folder);
    }
    const bool utf8 = shape.mixed && rng() % 2 == 0;
    const bool crlf = rng() % 3 == 0;
    const char* eol = crlf ? "\r\n" : "\n";
    std::string body = std::string("<html><head><meta charset=\"") + (utf8 ? "utf-8" : "gb2312") + "\"></head>" + eol;
    const size_t target = average / 2 + rng() % (average + 1);
    const bool marked = static_cast<double>(rng() % 10000) < shape.markerShare * 10000;
    const size_t markAt = target / 2;
    bool markPlaced = false;
    bool everyPlaced = false;
    while (body.size() < target) {
      std::string line;
      while (line.size() < 70) {
        if (rng() % 5 == 0) {
          const std::string phrase = kChinese[rng() % std::size(kChinese)];
          line += utf8 ? phrase : ToGbk(phrase);
        } else {
          line += words[rng() % std::size(words)];
        }
        line.push_back(' ');
      }
      if (marked && !markPlaced && body.size() >= markAt) {
        line += kMarker;
        markPlaced = true;
      }
      if (!everyPlaced) {
        line += kEveryFile;
        everyPlaced = true;
      }
      body += line;
      body += eol;
    }
    if (marked && !markPlaced) body += kMarker;
    std::ofstream(folder + "/page" + std::to_string(i) + "." + ext[rng() % std::size(ext)], std::ios::binary)
        .write(body.data(), static_cast<std::streamsize>(body.size()));
    written += body.size();
  }
  return written;
}

}  // namespace zur::bench
