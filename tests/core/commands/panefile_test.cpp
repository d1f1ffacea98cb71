// The output pane's file without the window: what it loads, how its replace-all matches, and the bytes
// its save writes.
#include <gtest/gtest.h>

#include "core/commands/panefile.h"
#include "support/tempdir.h"
#include "support/texts.h"

namespace zur {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

PaneFile Loaded(TempDir& dir, const std::string& bytes, PaneLoad::Result expected = PaneLoad::Result::Loaded) {
  const std::string path = dir.Folder() + "f.txt";
  WriteBytes(path, bytes);
  PaneLoad load = LoadPaneFile(path, Encoding::Utf8);
  EXPECT_EQ(load.result, expected);
  return load.file;
}

TEST(PaneFile, EachLineKeepsItsOwnEndAndEditedLinesTakeTheFirst) {
  TempDir dir;
  const std::string bytes = "\xEF\xBB\xBF" "one\r\ntwo\nthree\rfour\r\n";
  const PaneFile file = Loaded(dir, bytes);
  EXPECT_EQ(PaneText(file), u"one\ntwo\nthree\nfour\n");
  EXPECT_EQ(PaneFileBytes(file, PaneText(file)), bytes);  // nothing edited: every byte back
  // Lines kept before and after an edit keep their ends; edited and added lines take the file's first.
  EXPECT_EQ(PaneFileBytes(file, u"one\nTWO\nadded\nthree\nfour\n"),
            "\xEF\xBB\xBF" "one\r\nTWO\r\nadded\r\nthree\rfour\r\n");
  // A last line without an end stays without one.
  const PaneFile open = Loaded(dir, "a\nb");
  EXPECT_EQ(PaneFileBytes(open, u"a\nb!"), "a\nb!");
}

// Every edit as a table: for each encoding, line end and last-line-break state, a two-line file edited
// in the pane, and the bytes the save must write (E is the file's line end, F its last-line break).
TEST(PaneFile, EverythingTheUserTypedIsWrittenWithTheRightLineEnds) {
  struct Edit {
    const char* what;
    std::u16string shown;     // the pane's text after the edit; "\n" ends a line
    std::u16string expected;  // E and F stand for the file's line end and its last-line break
  };
  const Edit edits[] = {
      {"nothing", u"一\n二F", u"一E二F"},
      {"a line added at the end", u"一\n二\n三F", u"一E二E三F"},
      {"an empty line added at the end", u"一\n二\nF", u"一E二EF"},
      {"a line added in the middle", u"一\n中\n二F", u"一E中E二F"},
      {"a line split", u"一\n二a\nbF", u"一E二aEbF"},
      {"two lines joined", u"一二F", u"一二F"},
      {"a line added before the first", u"零\n一\n二F", u"零E一E二F"},
  };
  const std::pair<Encoding, std::string> encodings[] = {
      {Encoding::Utf8, ""}, {Encoding::Gb18030, ""}, {Encoding::Utf16Le, "\xFF\xFE"}};
  auto fill = [](std::u16string text, std::u16string_view e, std::u16string_view f) {
    std::u16string out;
    for (char16_t c : text) {
      if (c == u'E') out += e;
      else if (c == u'F') out += f;
      else out.push_back(c);
    }
    return out;
  };
  TempDir dir;
  for (const auto& [encoding, bom] : encodings) {
    for (const std::u16string e : {u"\n", u"\r\n", u"\r"}) {
      for (const bool lastBreak : {true, false}) {
        const std::u16string f = lastBreak ? e : u"";
        const PaneFile file = Loaded(dir, bom + EncodeText(fill(u"一E二F", e, f), encoding));
        ASSERT_EQ(file.kind.encoding, encoding);
        for (const Edit& edit : edits) {
          // The pane shows a last line break as an empty last line.
          const std::u16string shown = fill(edit.shown, u"", lastBreak ? u"\n" : u"");
          EXPECT_EQ(PaneFileBytes(file, shown), bom + EncodeText(fill(edit.expected, e, f), encoding))
              << edit.what << ", encoding " << int(encoding) << ", line end " << e.size() << (e[0] == u'\r' ? " CR" : " LF")
              << (lastBreak ? ", last line break" : "");
        }
      }
    }
  }
}

TEST(PaneFile, Utf16AndGbFilesComeBackInTheirOwnEncoding) {
  TempDir dir;
  const std::string utf16 = std::string("\xFF\xFE" "a\0\r\0\n\0-N", 10);  // "a", CR LF, U+4E2D
  const PaneFile wide = Loaded(dir, utf16);
  EXPECT_EQ(PaneText(wide), u"a\n中");
  EXPECT_EQ(PaneFileBytes(wide, PaneText(wide)), utf16);
  const std::string gb = "\xD6\xD0\xCE\xC4\r\n\x80";  // 中文, then a byte that is no character
  const PaneFile legacy = Loaded(dir, gb);
  EXPECT_EQ(PaneFileBytes(legacy, PaneText(legacy)), gb);
  EXPECT_EQ(Loaded(dir, std::string("a\0b", 3), PaneLoad::Result::NotText).path, "");
}

TEST(PaneFile, ReplaceAllMatchesWholeCharactersOfTheEncoding) {
  EXPECT_EQ(ReplaceInPaneText(u"aXbXX", u"X", u"YY", Encoding::Utf8), u"aYYbYYYY");
  EXPECT_EQ(ReplaceInPaneText(u"aaa", u"aa", u"a", Encoding::Utf8), u"aa");  // no overlaps, no rescans
  // In UTF-16 the match is a whole unit, never the halves of two.
  EXPECT_EQ(ReplaceInPaneText(u"\u4100\u4300", u"A", u"b", Encoding::Utf16Le), u"\u4100\u4300");
  EXPECT_EQ(ReplaceInPaneText(u"\u4100A", u"A", u"b", Encoding::Utf16Be), u"\u4100b");
  // Escaped bytes are never matched by a typed text and come back as they were.
  const std::u16string escaped = DecodeText("x\x80y", Encoding::Utf8);
  EXPECT_EQ(EncodeText(ReplaceInPaneText(escaped, u"y", u"z", Encoding::Utf8), Encoding::Utf8), "x\x80z");
  EXPECT_EQ(ReplaceInPaneText(u"abc", u"", u"z", Encoding::Utf8), u"abc");
}

TEST(PaneFile, SaveWritesOnlyTheFileThePaneWasLoadedFrom) {
  TempDir dir;
  const PaneFile none;
  EXPECT_EQ(SavePane({none, u"text", dir.Folder()}).outcome, Outcome::Skipped);
  const PaneFile file = Loaded(dir, "old\r\n");
  const RunEvent saved = SavePane({file, u"new\n", dir.Folder() + "runs/"});
  EXPECT_EQ(saved.outcome, Outcome::Done);
  EXPECT_EQ(ReadBytes(dir.Folder() + "f.txt"), "new\r\n");
}

}  // namespace
}  // namespace zur
