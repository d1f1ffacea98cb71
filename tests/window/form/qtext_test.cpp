// Text that goes from bytes into a multi-line box and back comes back byte for byte.
#include <QApplication>
#include <QPlainTextEdit>
#include <QTest>

#include "window/form/qtext.h"

using namespace zur;

class QTextTest : public QObject {
  Q_OBJECT

 private slots:
  void boxesGiveBackTheBytesTheyWereGiven() {
    QPlainTextEdit box;
    const std::pair<std::string, Encoding> cases[] = {
        {"\xD6\xD0\xCE\xC4\r\n\x80\xFF\xD6\r\n", Encoding::Gb18030},
        {"a\xC2\xA0z\r\n\xE2\x80\xA8 \xE2\x80\xA9 \xEF\xB7\x90\r\n", Encoding::Utf8},
        {"\xE4\xB8\r\n\tx\x01\x00y\r\n", Encoding::Utf8},
        {"\r\n\r\n", Encoding::Utf8},
        {"", Encoding::Gb18030},
    };
    for (const auto& [bytes, cp] : cases) {
      SetBoxBytes(&box, bytes, cp);
      QCOMPARE(BoxBytes(&box, cp), bytes);
    }
  }

  void lineEndsOfAnyKindBecomeBlocks() {
    QPlainTextEdit box;
    SetBoxBytes(&box, "a\nb\rc\r\nd", Encoding::Utf8);
    QCOMPARE(box.blockCount(), 4);
    QCOMPARE(BoxBytes(&box, Encoding::Utf8), std::string("a\r\nb\r\nc\r\nd"));
  }
};

QTEST_MAIN(QTextTest)
#include "qtext_test.moc"
