// Files of different encodings side by side, through the window, under a UTF-8 and a GBK code page.
#include <QGroupBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <filesystem>

#include "support/batchfixture.h"
#include "window/files/filelist.h"
#include "window/form/outputpane.h"

using namespace zur;
using zur::testing::BatchFixture;
using zur::testing::ReadBytes;
using zur::testing::WriteBytes;

namespace {

struct Sample {
  const char* name;
  std::string before;
  std::string after;  // with 首页 → 主页 and Home → 主页
};

std::string Le(const std::u16string& s) {
  std::string out("\xFF\xFE", 2);
  for (char16_t c : s) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>(c >> 8));
  }
  return out;
}
std::string Be(const std::u16string& s) {
  std::string out("\xFE\xFF", 2);
  for (char16_t c : s) {
    out.push_back(static_cast<char>(c >> 8));
    out.push_back(static_cast<char>(c & 0xFF));
  }
  return out;
}

std::vector<Sample> Samples(Encoding cp) {
  const std::string gbkHome = "\xCA\xD7\xD2\xB3", gbkMain = "\xD6\xF7\xD2\xB3";
  return {
      {"gbk.htm", "<a>" + gbkHome + "</a>\n", "<a>" + gbkMain + "</a>\n"},
      {"utf8.htm", "<a>首页</a>\r\n", "<a>主页</a>\r\n"},
      {"bom.htm", "\xEF\xBB\xBF首页", "\xEF\xBB\xBF主页"},
      {"le.txt", Le(u"x\u9996\u9875\r\n"), Le(u"x\u4E3B\u9875\r\n")},
      {"be.txt", Be(u"\u9996\u9875"), Be(u"\u4E3B\u9875")},
      {"declared.htm", "<meta charset=\"gb2312\">Home", "<meta charset=\"gb2312\">" + gbkMain},
      {"plain.txt", "Home", cp == Encoding::Gb18030 ? gbkMain : std::string("主页")},
      // A GB18030 four-byte character stays as it is beside a replacement.
      {"four.txt", "\x81\x30\x81\x30" + gbkHome, "\x81\x30\x81\x30" + gbkMain},
  };
}

}  // namespace

class EncodingTest : public QObject {
  Q_OBJECT

 private slots:
  void everyFileChangesInItsOwnEncoding() {
    for (Encoding cp : {Encoding::Utf8, Encoding::Gb18030}) {
      BatchFixture f(cp);
      for (const Sample& s : Samples(cp)) WriteBytes(f.src() + s.name, s.before);
      f.OpenOn();
      f.Rule(1, QStringLiteral("首页"), QStringLiteral("主页"));
      f.Rule(2, QStringLiteral("Home"), QStringLiteral("主页"));
      f.Backup(true);
      f.Click("BtnDirTextReplace");
      for (const Sample& s : Samples(cp)) QCOMPARE(ReadBytes(f.src() + s.name), s.after);
      f.desktop.answers.push_back(true);
      f.Click("BtnBatchReturn");
      for (const Sample& s : Samples(cp)) QCOMPARE(ReadBytes(f.src() + s.name), s.before);
    }
  }

  void theSearchFindsAChineseTextInEveryEncoding() {
    for (Encoding cp : {Encoding::Utf8, Encoding::Gb18030}) {
      BatchFixture f(cp);
      for (const Sample& s : Samples(cp)) WriteBytes(f.src() + s.name, s.before);
      TMainForm& form = f.OpenOn();
      form.View().EdtEXT->setText(QStringLiteral("htm,txt"));
      form.View().MmoSearchText->setPlainText(QStringLiteral("首页"));
      f.Click("BtnSearch");
      QStringList found;
      for (int i = 0; i < form.View().LbSearch->count(); ++i) found << form.View().LbSearch->item(i)->text();
      QCOMPARE(found, (QStringList{form.Q(f.src() + "be.txt"), form.Q(f.src() + "bom.htm"), form.Q(f.src() + "four.txt"),
                                   form.Q(f.src() + "gbk.htm"), form.Q(f.src() + "le.txt"), form.Q(f.src() + "utf8.htm")}));
    }
  }

  void thePaneShowsEachFileInItsEncodingAndGivesItBackWhole() {
    BatchFixture f(Encoding::Utf8);
    const std::string undecodable = "ok \xFF\xFE\x80 \xD6\xD0\r\n";  // GBK with bytes that are no character
    WriteBytes(f.src() + "bytes.txt", undecodable);
    for (const Sample& s : Samples(Encoding::Utf8)) WriteBytes(f.src() + s.name, s.before);
    TMainForm& form = f.OpenOn();
    const std::pair<const char*, const char*> names[] = {
        {"gbk.htm", "GBK"}, {"utf8.htm", "UTF-8"}, {"bom.htm", "UTF-8 BOM"}, {"le.txt", "UTF-16LE"},
        {"be.txt", "UTF-16BE"}, {"four.txt", "GBK"}, {"bytes.txt", "GBK"},
    };
    for (const auto& [name, encoding] : names) {
      form.Files().Preview(f.src() + name, form.Q(f.src() + name));
      QVERIFY(f.Find<QGroupBox>("GbHint")->title().endsWith(QStringLiteral("（") + encoding + QStringLiteral("）")));
      QCOMPARE(form.Pane().FileBytes(), ReadBytes(f.src() + name));
    }
    form.Files().Preview(f.src() + "gbk.htm", form.Q(f.src() + "gbk.htm"));
    QCOMPARE(form.View().MemoHint->toPlainText(), QStringLiteral("<a>首页</a>\n"));
    // Edited and saved: the file's own encoding and line ends.
    form.Pane().SetText(QStringLiteral("<b>首页</b>\n"));
    f.Click("BtnSaveDirectory");
    QCOMPARE(ReadBytes(f.src() + "gbk.htm"), std::string("<b>\xCA\xD7\xD2\xB3</b>\n"));
  }
};

QTEST_MAIN(EncodingTest)
#include "encoding_test.moc"
