// Text that goes from bytes into a multi-line box and back comes back byte for byte.
#include <QApplication>
#include <QPlainTextEdit>
#include <QTest>

#include "app/qtext.h"

using namespace zur;

class QTextTest : public QObject {
  Q_OBJECT

 private slots:
  void boxesGiveBackTheBytesTheyWereGiven() {
    QPlainTextEdit box;
    const std::pair<std::string, CodePage> cases[] = {
        {"\xD6\xD0\xCE\xC4\r\n\x80\xFF\xD6\r\n", CodePage::Gbk},
        {"a\xC2\xA0z\r\n\xE2\x80\xA8 \xE2\x80\xA9 \xEF\xB7\x90\r\n", CodePage::Utf8},
        {"\xE4\xB8\r\n\tx\x01\x00y\r\n", CodePage::Utf8},
        {"\r\n\r\n", CodePage::Utf8},
        {"", CodePage::Gbk},
    };
    for (const auto& [bytes, cp] : cases) {
      SetBoxBytes(&box, bytes, cp);
      QCOMPARE(BoxBytes(&box, cp), bytes);
    }
  }

  void lineEndsOfAnyKindBecomeBlocks() {
    QPlainTextEdit box;
    SetBoxBytes(&box, "a\nb\rc\r\nd", CodePage::Utf8);
    QCOMPARE(box.blockCount(), 4);
    QCOMPARE(BoxBytes(&box, CodePage::Utf8), std::string("a\r\nb\r\nc\r\nd"));
  }
};

QTEST_MAIN(QTextTest)
#include "qtext_test.moc"
