#include <QTest>

#include "window/form/messages.h"

using namespace zur;

class MessagesTest : public QObject {
  Q_OBJECT

 private slots:
  void fixedIndexGivesSimplifiedChineseAndFillingTwiceChangesNothing() {
    MessageTables t;
    ApplyLanguage(t);
    QCOMPARE(t.LanguageIndex, 0);
    QCOMPARE(t.ButtonHeight, 26);
    QCOMPARE(t.AppTitle, QStringLiteral("ZUR文本代替助手"));
    QCOMPARE(t.MsgNoMatchFound, QStringLiteral("没有发现任何匹配文字 \""));
    QCOMPARE(t.HintEnterSubfolder, QStringLiteral("直接输入文件夹名称后，单击『Enter』将自动生成子文件夹"));
    QCOMPARE(t.UrlDemo, QStringLiteral("http://www.zursoft.example/demo/textreplace/"));
    QCOMPARE(t.UrlUpdate, QStringLiteral("http://www.zursoft.example/update/tr/"));
    QCOMPARE(t.UrlProduct, QStringLiteral("http://www.zursoft.example/tr/"));
    QCOMPARE(t.UrlDonate, QStringLiteral("http://www.zursoft.example/jz/"));
    QCOMPARE(t.CapHomePage, QStringLiteral("官方主页：www.zursoft.example/cr/"));
    QVERIFY(!t.MsgPathNotExist.isEmpty());

    const MessageTables once = t;
    ApplyLanguage(t);
    QCOMPARE(t.FmtFoundCount, once.FmtFoundCount);
    QCOMPARE(t.UrlUpdate, once.UrlUpdate);
  }

  void otherColumnsLeaveUnlistedSlotsAlone() {
    for (int index : {1, 2}) {
      MessageTables t;
      FillTables(t, index);
      QCOMPARE(t.UrlDemo, QStringLiteral("http://www.zursoft.example/"));
      QCOMPARE(t.UrlProduct, QStringLiteral("http://www.zursoft.example/"));
      QVERIFY(t.UrlUpdate.isEmpty());
      QVERIFY(t.UrlDonate.isEmpty());
      QVERIFY(t.CapVersion.isEmpty() && t.CapAuthor.isEmpty() && t.CapHomePage.isEmpty());
      QCOMPARE(t.ButtonHeight, 26);
    }
    MessageTables tw;
    FillTables(tw, 1);
    QCOMPARE(tw.MsgNothingToRestore, QStringLiteral("沒有任何需要恢復 的文件"));
    MessageTables en;
    FillTables(en, 2);
    QCOMPARE(en.CapRefresh, QStringLiteral("Refresh"));
    MessageTables other;
    FillTables(other, 7);
    QCOMPARE(other.AppTitle, QStringLiteral("ZUR文本代替助手"));
  }

  void formatsFillTheirPlaceholders() {
    MessageTables t;
    ApplyLanguage(t);
    QCOMPARE(FormatMessage(t.FmtSave, QStringLiteral("/a/b.txt")), QStringLiteral("保存/a/b.txt"));
    QCOMPARE(FormatMessage(t.FmtRestoredTo, QStringLiteral("x"), QStringLiteral("y")), QStringLiteral("已把x恢复到y"));
    QCOMPARE(FormatMessage(t.FmtFoundCount, 0), QStringLiteral("共查到0条记录"));
    QCOMPARE(FormatMessage(t.FmtDiskNotExist, QString()), QStringLiteral("磁盘不存在，请重选择一个路径。"));
    QCOMPARE(FormatMessage(QStringLiteral("save% s"), QStringLiteral("x")), QStringLiteral("savex"));
  }
};

QTEST_MAIN(MessagesTest)
#include "messages_test.moc"
