// zur-replace and the window give the same files: each case runs once through the window's buttons
// and once through the program, on two copies of one tree, and the trees are compared byte for byte.
#include <sys/wait.h>

#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "support/batchfixture.h"
#include "core/run/rewritejob.h"
#include "core/text/base64.h"
#include "support/texts.h"
#include "support/vanish.h"

using namespace zur;
using zur::testing::BatchFixture;
using zur::testing::ReadBytes;
using zur::testing::WriteBytes;

namespace {

namespace fsys = std::filesystem;

// Every file below `root` by its path below it, with its bytes.
std::map<std::string, std::string> Tree(const std::string& root) {
  std::map<std::string, std::string> files;
  for (const auto& e : fsys::recursive_directory_iterator(root)) {
    if (e.is_regular_file()) files[fsys::relative(e.path(), root).string()] = ReadBytes(e.path().string());
  }
  return files;
}

// The same tree at both places: GBK and UTF-8 pages, CR LF and LF, a key pattern, a text file.
void Plant(const std::string& root) {
  WriteBytes(root + "gbk.htm", "\xCA\xD7\xD2\xB3 <b>1</b>\r\nfoo\r\n");  // 首页, GBK
  WriteBytes(root + "sub/utf8.htm", "首页 foo <b>22</b>\nfoo bar\n");
  WriteBytes(root + "sub/notes.txt", "foo");
  WriteBytes(root + "skip.bin", "foo\0foo");
}

// Runs zur-replace with the arguments; its exit status.
int Program(const std::vector<std::string>& args, const std::string& settings) {
  std::string command = "ZUR_SETTINGS='" + settings + "' '" ZUR_REPLACE "'";
  for (const std::string& a : args) command += " '" + a + "'";
  command += " > /dev/null 2>&1";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The same, keeping what the program wrote on standard error (and on standard output when asked).
int Program(const std::vector<std::string>& args, const std::string& settings, std::string& errors,
            std::string* output = nullptr, const std::string& input = "/dev/null") {
  const std::string err = settings + "stderr.txt", out = settings + "stdout.txt";
  std::string command = "mkdir -p '" + settings + "' && ZUR_SETTINGS='" + settings + "' '" ZUR_REPLACE "'";
  for (const std::string& a : args) command += " '" + a + "'";
  command += " < '" + input + "' > '" + out + "' 2> '" + err + "'";
  const int status = std::system(command.c_str());
  errors = ReadBytes(err);
  if (output) *output = ReadBytes(out);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

class SameWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void bothBatchesTheMatchAndTheRenameGiveTheSameFiles() {
    BatchFixture f;
    const std::string cli = f.dir / "cli/";
    const std::string settings = f.dir / "cli-settings/";
    Plant(f.src());
    Plant(cli);
    f.OpenOn();

    // The whole folder, three rules: a Chinese one, one inserting a line break, one seeing it.
    f.Rule(1, QStringLiteral("首页"), QStringLiteral("主页"));
    f.Rule(2, QStringLiteral("foo"), QStringLiteral("foo\nbaz"));
    f.Rule(3, QStringLiteral("baz\nbar"), QStringLiteral("qux"));
    f.Click("BtnDirTextReplace");
    QCOMPARE(Program({"-r", "首页", "主页", "-r", "foo", "foo\\nbaz", "-r", "baz\\nbar", "qux", cli}, settings), 0);
    QCOMPARE(Tree(cli), Tree(f.src()));
    QVERIFY(ReadBytes(cli + "gbk.htm") != "\xCA\xD7\xD2\xB3 <b>1</b>\r\nfoo\r\n");

    // Files picked by name.
    f.Rule(2, QString(), QString());
    f.Rule(3, QString(), QString());
    f.Rule(1, QStringLiteral("主页"), QStringLiteral("首页"));
    f.Select({"gbk.htm"});
    f.Click("BtnTextReplace");
    QCOMPARE(Program({"-r", "主页", "首页", cli + "gbk.htm"}, settings), 0);
    QCOMPARE(Tree(cli), Tree(f.src()));

    // The match command: "#key#" in the find text stands for any text.
    f.Rule(1, QStringLiteral("<b>#key#</b>"), QStringLiteral("<strong>#key#</strong>"));
    f.Click("BtnPiPeiDir");
    QCOMPARE(Program({"--match", "-r", "<b>#key#</b>", "<strong>#key#</strong>", cli}, settings), 0);
    QCOMPARE(Tree(cli), Tree(f.src()));
    QVERIFY(ReadBytes(cli + "sub/utf8.htm").find("<strong>#key#</strong>") != std::string::npos);  // the pattern, whatever the key

    // A dry run changes nothing in either.
    const auto before = Tree(cli);
    f.Find<QCheckBox>("CbDryRun")->setChecked(true);
    f.Rule(1, QStringLiteral("qux"), QStringLiteral("zzz"));
    f.Click("BtnDirTextReplace");
    f.Find<QCheckBox>("CbDryRun")->setChecked(false);
    QCOMPARE(Program({"--dry-run", "-r", "qux", "zzz", cli}, settings), 0);
    QCOMPARE(Tree(cli), before);
    QCOMPARE(Tree(f.src()), before);

    // The names of the tree's files.
    f.Find<QLineEdit>("EditOldFileName")->setText(QStringLiteral("utf8"));
    f.Find<QLineEdit>("EditNewFileName")->setText(QStringLiteral("page"));
    f.Click("BtnRplaceNameOfDIR");
    QCOMPARE(Program({"--rename", "utf8", "page", cli}, settings), 0);
    QCOMPARE(Tree(cli), Tree(f.src()));
    QVERIFY(fsys::exists(cli + "sub/page.htm"));
  }

  // Rows with options, through the window's boxes and the program's -e, -i and -w, and then through
  // the rows the window saved.
  void rowsWithOptionsGiveTheSameFiles() {
    BatchFixture f;
    const std::string cli = f.dir / "cli/";
    const std::string saved = f.dir / "saved/";
    Plant(f.src());
    Plant(cli);
    Plant(saved);
    TMainForm& form = f.OpenOn();
    f.Rule(1, QStringLiteral("<b>(\\d+)</b>"), QStringLiteral("<i>$1$1</i>"));
    f.Find<QCheckBox>("CbRegex1")->setChecked(true);
    f.Rule(2, QStringLiteral("FOO"), QStringLiteral("x"));
    f.Find<QCheckBox>("CbMatchCase2")->setChecked(false);
    f.Find<QCheckBox>("CbWholeWord2")->setChecked(true);
    f.Rule(3, QStringLiteral("^首页"), QStringLiteral("$0:"));
    f.Find<QCheckBox>("CbRegex3")->setChecked(true);
    f.Click("BtnDirTextReplace");
    QCOMPARE(Program({"-e", "-r", "<b>(\\d+)</b>", "<i>$1$1</i>", "-i", "-w", "-r", "FOO", "x", "-e", "-r", "^首页", "$0:", cli},
                     f.dir / "cli-settings/"),
             0);
    QCOMPARE(Tree(cli), Tree(f.src()));
    QCOMPARE(ReadBytes(cli + "sub/utf8.htm"), std::string("首页: x <i>2222</i>\nx bar\n"));
    const std::string settings = form.SettingsDir();
    f.Close();
    QCOMPARE(Program({"--rules-from-window", saved}, settings), 0);
    QCOMPARE(Tree(saved), Tree(f.src()));
  }

  // A rule table chosen in the window and given to the program: the same files; the window says what
  // the table holds, how often each pair replaced in a file and in all, and which pairs matched nothing.
  void aRuleTableGivesTheSameFilesThroughBoth() {
    BatchFixture f;
    const std::string cli = f.dir / "cli/";
    Plant(f.src());
    Plant(cli);
    const std::string table = f.dir / "glossary.txt";
    WriteBytes(table, "首页\t主页\nfoo\tbar\nbar\tfoo\n<b>(\\d+)</b>\t[$1]\tr\ntypo\tx\n");
    TMainForm& form = f.OpenOn();
    f.desktop.picks.push_back(table);
    f.Click("BtnRuleTable");
    QCOMPARE(f.Find<QLineEdit>("EdtRuleTable")->text(), form.Q(table));
    QCOMPARE(f.Find<QLabel>("LblRuleTable")->text(), QStringLiteral("规则表：5条规则"));
    f.Rule(1, QStringLiteral("22"), QStringLiteral("33"));
    f.Find<QCheckBox>("CbDryRun")->setChecked(true);
    f.Click("BtnDirTextReplace");
    QVERIFY(f.PaneLines().contains(form.Q(f.src() + "sub/utf8.htm") + QStringLiteral("：规则1 1处，规则2 0处，规则3 0处，规则表 5处（第1行 1处，第2行 2处，第3行 1处，第4行 1处）")));
    QCOMPARE(f.PaneLines().filter(QStringLiteral("以下规则没有匹配")), QStringList{QStringLiteral("以下规则没有匹配：规则表第5行")});
    f.Find<QCheckBox>("CbDryRun")->setChecked(false);
    f.Click("BtnDirTextReplace");
    QCOMPARE(f.PaneLines().filter(QStringLiteral("规则表合计")), QStringList{QStringLiteral("规则表合计：第1行 2处，第2行 4处，第3行 1处，第4行 2处")});
    QCOMPARE(Program({"-r", "22", "33", "--rules", table, cli}, f.dir / "cli-settings/"), 0);
    QCOMPARE(Tree(cli), Tree(f.src()));
    QCOMPARE(ReadBytes(cli + "sub/utf8.htm"), std::string("主页 bar [33]\nbar foo\n"));
    // A table gone wrong is told under the field, and refuses the run.
    WriteBytes(table, "ok\tfine\nno tab\n");
    f.Enter("EdtRuleTable");
    QCOMPARE(f.Find<QLabel>("LblRuleTable")->text(), QStringLiteral("规则表第2行有错误，不能执行"));
    f.Click("BtnDirTextReplace");
    QVERIFY(f.desktop.MessageTexts().last().startsWith(QStringLiteral("规则表")));
    QCOMPARE(Tree(cli), Tree(f.src()));
    f.Click("BtnRuleTableClear");
    QVERIFY(f.Find<QLabel>("LblRuleTable")->text().isEmpty());
  }

  // A run with copies is undone by either: here the window's run by the program, which shares the
  // window's records of runs.
  void theProgramUndoesTheWindowsRun() {
    BatchFixture f;
    Plant(f.src());
    const auto original = Tree(f.src());
    TMainForm& form = f.OpenOn();
    f.Backup(true);
    f.Rule(1, QStringLiteral("foo"), QStringLiteral("bar"));
    f.Click("BtnDirTextReplace");
    QVERIFY(Tree(f.src()) != original);
    QCOMPARE(Program({"--undo", f.out()}, form.SettingsDir()), 0);
    QCOMPARE(Tree(f.src()), original);
    // Undone once: nothing is left to undo.
    QCOMPARE(Program({"--undo", f.out()}, form.SettingsDir()), 2);
    // And a run of the program with copies, undone by the program.
    const std::string copies = f.dir / "cli-copies/";
    QCOMPARE(Program({"-r", "foo", "bar", "--backup", copies, f.src()}, form.SettingsDir()), 0);
    QVERIFY(Tree(f.src()) != original);
    QCOMPARE(Program({"--undo", copies}, form.SettingsDir()), 0);
    QCOMPARE(Tree(f.src()), original);
  }

  // The rule rows and extension list the window saved, run by the program.
  void theProgramTakesTheWindowsSavedRules() {
    BatchFixture f;
    const std::string cli = f.dir / "cli/";
    Plant(f.src());
    Plant(cli);
    TMainForm& form = f.OpenOn();
    const std::string settings = form.SettingsDir();
    f.Rule(1, QStringLiteral("foo"), QStringLiteral("bar"));
    f.Rule(2, QStringLiteral("bar\nbaz"), QStringLiteral("qux"));
    f.Find<QLineEdit>("EdtEXT")->setText(QStringLiteral("txt,htm"));
    // And the window's choice of files: hidden files taken (the program leaves them out unless told),
    // one name left out.
    for (const std::string& root : {f.src(), cli}) {
      WriteBytes(root + ".hidden.htm", "foo");
      WriteBytes(root + "sub/left.txt", "foo");
    }
    f.Find<QLineEdit>("EdtExclude")->setText(QStringLiteral("left.txt"));
    f.Click("BtnDirTextReplace");
    f.Close();  // the window saves its rows and fields
    QCOMPARE(Program({"--rules-from-window", cli}, settings), 0);
    QCOMPARE(Tree(cli), Tree(f.src()));
    QCOMPARE(ReadBytes(cli + "sub/notes.txt"), std::string("bar"));
    QCOMPARE(ReadBytes(cli + ".hidden.htm"), std::string("bar"));
    QCOMPARE(ReadBytes(cli + "sub/left.txt"), std::string("foo"));
  }

  // As terminal tools do: hidden files and folders are left out unless --hidden, patterns choose and
  // leave out, and the files the extension list skipped are counted on standard error.
  void theProgramChoosesFilesAsTerminalToolsDo() {
    BatchFixture f;
    const std::string src = f.src(), settings = f.dir / "cli-settings/";
    for (const char* name : {"a.htm", ".hidden.htm", ".git/x.htm", "node_modules/m.js", "Makefile", "c.py", "big.txt"}) {
      WriteBytes(src + name, std::string(name) == "big.txt" ? std::string(2048, ' ') + "foo" : std::string("foo"));
    }
    std::string errors;
    QCOMPARE(Program({"-r", "foo", "bar", "--exclude-dir", "node_modules", "--max-size=1K", src}, settings, errors), 0);
    QCOMPARE(ReadBytes(src + "a.htm"), std::string("bar"));
    for (const char* kept : {".hidden.htm", ".git/x.htm", "node_modules/m.js", "Makefile", "c.py"}) {
      QCOMPARE(ReadBytes(src + kept), std::string("foo"));
    }
    QCOMPARE(ReadBytes(src + "big.txt").substr(2048), std::string("foo"));
    QVERIFY(errors.find("已跳过2个扩展名不在列表中的文件（用 --ext '*' 处理全部）") != std::string::npos ||
            errors.find("2 files skipped whose extension is not listed") != std::string::npos);
    // -g chooses among every file; "!" leaves out; --hidden takes hidden names.
    QCOMPARE(Program({"-r", "foo", "bar", "-g", "Makefile", "-g", "*.py", src}, settings, errors), 0);
    QCOMPARE(ReadBytes(src + "Makefile"), std::string("bar"));
    QCOMPARE(ReadBytes(src + "c.py"), std::string("bar"));
    QCOMPARE(Program({"-r", "foo", "bar", "--hidden", "-g", "!.git", "--ext=htm", src}, settings, errors), 0);
    QCOMPARE(ReadBytes(src + ".hidden.htm"), std::string("bar"));
    QCOMPARE(ReadBytes(src + ".git/x.htm"), std::string("foo"));
    // A size or a pattern that is none: refused before anything is read.
    QCOMPARE(Program({"-r", "bar", "x", "--max-size", "big", src}, settings, errors), 2);
    QCOMPARE(Program({"-r", "bar", "x", "-g", "[a", src}, settings, errors), 2);
    QCOMPARE(Program({"-r", "bar", "x", "--json=yes", src}, settings, errors), 2);
    QCOMPARE(ReadBytes(src + "a.htm"), std::string("bar"));
  }

  // Names with capitals, blanks, tabs, line breaks and GBK bytes come out exactly as the folders hold
  // them: each ended by NUL with -0, and in JSON as text or, not being UTF-8, as base64 bytes.
  void everyNameIsPrintedAsItIs() {
    BatchFixture f;
    const std::string src = f.src(), settings = f.dir / "cli-settings/";
    const std::vector<std::string> names{"My Dir/Read Me.TXT", "tab\there.htm", "new\nline.htm", "\xCA\xD7.htm"};
    for (const std::string& name : names) WriteBytes(src + name, "foo");
    std::string errors, output;
    QCOMPARE(Program({"-0", "--dry-run", "--ext", "htm,txt", "-r", "foo", "bar", src}, settings, errors, &output), 0);
    std::vector<std::string> printed, expected;
    for (size_t at = 0, end; (end = output.find('\0', at)) != std::string::npos; at = end + 1) printed.push_back(output.substr(at, end - at));
    for (const std::string& name : names) expected.push_back(src + name);
    std::sort(printed.begin(), printed.end());
    std::sort(expected.begin(), expected.end());
    QCOMPARE(printed, expected);
    QCOMPARE(Program({"--json", "--search", "foo", "--ext=htm", src}, settings, errors, &output), 0);
    QVERIFY(output.find("{\"file\":\"" + src + "tab\\u0009here.htm\"") != std::string::npos);
    QVERIFY(output.find("{\"file\":{\"bytes\":\"" + zur::Base64(src + "\xCA\xD7.htm") + "\"}") != std::string::npos);
  }

  // With no file given and standard input not a terminal, the program is a filter: the bytes it
  // prints are those it writes into a file with the same rules, in the file's own encoding.
  void standardInputIsFilteredAsAFileWouldBe() {
    BatchFixture f;
    const std::string settings = f.dir / "cli-settings/";
    Plant(f.src());
    const std::string table = f.dir / "t.tsv";
    WriteBytes(table, "foo\tbar\nbar\tfoo\n");
    for (const char* name : {"gbk.htm", "sub/utf8.htm"}) {
      const std::string file = f.src() + name;
      const std::string in = ReadBytes(file);
      std::string errors, output;
      QCOMPARE(Program({"-r", "首页", "主页", "--rules", table}, settings, errors, &output, file), 0);
      QCOMPARE(Program({"-r", "首页", "主页", "--rules", table, file}, settings, errors), 0);
      QCOMPARE(output, ReadBytes(file));
      QVERIFY(output != in);
    }
    // Bytes that are not text pass through as they came, and the status says so.
    std::string errors, output;
    WriteBytes(f.dir / "binary", std::string("foo\0foo", 7));
    QCOMPARE(Program({"-r", "foo", "bar"}, settings, errors, &output, f.dir / "binary"), 1);
    QCOMPARE(output, std::string("foo\0foo", 7));
  }

  // A run cut short (as under kill -9): the program names it until it is answered, then undoes it.
  void theProgramAnswersForARunCutShort() {
    BatchFixture f;
    std::vector<std::string> files;
    for (int i = 0; i < 8; ++i) {
      files.push_back(f.src() + "f" + std::to_string(i) + ".htm");
      WriteBytes(files.back(), "foo " + std::to_string(i));
    }
    const auto original = Tree(f.src());
    const std::string settings = f.dir / "cli-settings/";
    QVERIFY(testing::ReplaceAndVanish(files, f.src(), settings + "runs/", 5));
    QVERIFY(Tree(f.src()) != original);
    QCOMPARE(Program({"--search", "nothing", f.src()}, settings), 0);  // named, left for the answer
    QVERIFY(Tree(f.src()) != original);
    QCOMPARE(Program({"--cut-short", "undo"}, settings), 0);
    QCOMPARE(Tree(f.src()), original);
    QCOMPARE(Program({"--cut-short", "keep"}, settings), 2);  // answered already
  }

  void usageErrorsAndRefusalsExitWithTwo() {
    BatchFixture f;
    Plant(f.src());
    const std::string settings = f.dir / "cli-settings/";
    QCOMPARE(Program({"--bogus"}, settings), 2);
    QCOMPARE(Program({"-r", "foo"}, settings), 2);
    QCOMPARE(Program({"-e", "-r", "(a", "b", f.src()}, settings), 2);      // no pattern: nothing is read
    QCOMPARE(Program({"-e", "-r", "(a)", "$2", f.src()}, settings), 2);    // no second group
    QCOMPARE(Program({"--rules", f.dir / "no-table.txt", f.src()}, settings), 2);
    QCOMPARE(Program({"-r", "foo", "bar", "--backup", f.src(), f.src()}, settings), 2);  // copies onto the files
    // A folder that is not there, or a file where a folder is wanted: refused, not an empty success.
    QCOMPARE(Program({"--search", "foo", f.dir / "missing"}, settings), 2);
    QCOMPARE(Program({"--search", "foo", f.src() + "sub/notes.txt"}, settings), 2);
    QCOMPARE(Program({"--rename", "foo", "bar", f.dir / "missing"}, settings), 2);
    QCOMPARE(ReadBytes(f.src() + "sub/notes.txt"), std::string("foo"));
  }
};

QTEST_MAIN(SameWindowTest)
#include "samewindow_test.moc"
