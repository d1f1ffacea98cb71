#include "cli/texts.h"

#include <cstdlib>
#include <cstring>

namespace zur::cli {

Texts Texts::FromEnvironment() {
  Texts t;
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (!value || !*value) continue;
    t.chinese = std::strncmp(value, "zh", 2) == 0;
    break;
  }
  return t;
}

const char* Texts::Help() const {
  if (chinese) {
    return R"(用法：zur-replace [选项] -r 查找 代替 [-r 查找 代替 ...] 文件夹|文件...
      zur-replace [选项] --search 文本 文件夹
      zur-replace [选项] --rename 查找 代替 文件夹
      zur-replace [选项] --undo 输出文件夹
      命令 | zur-replace [选项] -r 查找 代替    （不给文件时处理标准输入，结果写到标准输出）

按顺序用所给的规则代替文件夹中（及其子文件夹中）所有指定后缀的文件的内容，
或所给文件的内容。每个文件保持自己的编码（GBK/GB18030、UTF-8、UTF-16）和换行符，
写入是原子的，并记入日志，可以撤销。

  -r, --rule 查找 代替     一条规则（可以给多条，按顺序执行）；文本用本地编码，\n 表示换行
  -i, --ignore-case        下一条规则（或 --search）不区分大小写
  -w, --word               下一条规则（或 --search）只匹配全字（前后不是字母、数字或下划线）
  -e, --regex              下一条规则（或 --search）的查找文本是正则表达式（PCRE2，PHP 的 preg 语法）；
                           代替文本可以用 $1…$99、${名字} 和 $$
      --rules 文件         规则表：每行一条规则（查找、制表符、代替，可选第三列 i/w/r），在 -r 之后一次全部执行
                           （每处取最长的查找文本，代替后的文字不再查找）；.csv 文件按表格读取
      --rules-from-window  使用窗口程序保存的三条规则、文件后缀和排除设置
      --ext 后缀列表       要处理的文件后缀，用逗号分开（默认 htm,html,shtml,asp,php,aspx,jsp,txt,js,css）；
                           * 表示所有文件，不带点的项（如 Makefile）表示没有后缀的同名文件
  -g, --glob 模式          只处理符合模式的文件（可以给多个；给了 -g 而没有 --ext 时不看后缀）；
                           !模式 表示不处理符合的文件和文件夹；不含 / 的模式比较名字，含 / 的比较相对路径
      --exclude-dir 名字   不进入这个名字的文件夹（可以给多个）
      --hidden             也处理隐藏的文件和文件夹（名字以 . 开头；默认跳过）
      --no-hidden          跳过隐藏的文件和文件夹（默认）
      --max-size 大小      不处理比这更大的文件（KB，或加 K、M、G）
  -b, --backup 文件夹      先把每个要修改的文件备份到这个输出文件夹（可以用 --undo 撤销）
  -m, --match              匹配代替：查找文本中的 #key# 代表任意文字
  -n, --dry-run            只预演：列出会修改的文件和次数，不修改任何文件
  -s, --search 文本        查找包含文本的文件，输出它们的路径
      --rename 查找 代替   代替文件夹中文件路径里的文本（重命名）
      --follow             跟随指向文件夹以外的链接（否则列出这些链接，不处理）
  -u, --undo 文件夹        撤销在这个输出文件夹中最新一次带备份的运行
      --cut-short undo|keep  撤销（undo）或保留（keep）被中断的运行已修改的文件；回答之前每次启动都会提到这些运行
      --json               每个文件输出一行 JSON（file、encoding、counts、outcome）；不是 UTF-8 的文件名
                           写成 {"bytes":"<base64>"}
  -0, --null               每行只输出文件路径，以 NUL 结尾（给 xargs -0 用）
  -h, --help               显示本帮助
      --version            显示版本

一个长选项的值也可以写在 = 后面（--ext=htm,txt）。扩展名不在列表中而被跳过的文件数写在标准错误上。

退出状态：0 所有文件都已处理；1 有文件没有处理（原因写在标准错误上）；2 用法错误或运行被拒绝。
Ctrl+C 在两个文件之间停止，已经处理的文件保持处理后的样子（日志照常记录）。
)";
  }
  return R"(Usage: zur-replace [options] -r FIND REPLACEMENT [-r FIND REPLACEMENT ...] FOLDER|FILE...
       zur-replace [options] --search TEXT FOLDER
       zur-replace [options] --rename FIND REPLACEMENT FOLDER
       zur-replace [options] --undo OUTPUT-FOLDER
       COMMAND | zur-replace [options] -r FIND REPLACEMENT   (no file given: standard input to
                                                              standard output)

Replaces text with the rules given, in order, in every file of the folder tree whose extension is
listed, or in the files given. Each file keeps its own encoding (GBK/GB18030, UTF-8, UTF-16) and its
line ends; every write is atomic and journalled, and can be undone.

  -r, --rule FIND REPL     a rule (as many as needed, applied in order); texts in the locale's code
                           page, \n for a line break
  -i, --ignore-case        the next rule (or --search) ignores case
  -w, --word               the next rule (or --search) matches whole words only (not next to a
                           letter, digit or underscore)
  -e, --regex              the next rule's (or --search's) find text is a regular expression (PCRE2,
                           PHP's preg syntax); its replacement may use $1...$99, ${name} and $$
      --rules FILE         a rule table: one rule a line (find, a tab, replacement, optionally a tab and
                           i/w/r), all applied at once after the -r rules (at each place the longest
                           find text wins; what was put in is not searched again); a .csv file is read
                           as a spreadsheet writes it
      --rules-from-window  the window's saved rule rows, extension list and exclusions
      --ext LIST           the extensions of the files to take, comma-separated
                           (default htm,html,shtml,asp,php,aspx,jsp,txt,js,css); * takes every
                           file, an entry without a dot (Makefile) the files of that name
  -g, --glob GLOB          take only the files that match (repeatable; with -g and no --ext every
                           extension is taken); !GLOB leaves out the files and folders that match; a
                           glob without / is matched against names, one with / against the path
                           below the folder
      --exclude-dir NAME   never enter a folder of this name (repeatable)
      --hidden             take hidden files and folders too (names starting with "."; left out by
                           default)
      --no-hidden          leave hidden files and folders out (the default)
      --max-size SIZE      leave out files larger than this (KB, or a number with K, M or G)
  -b, --backup FOLDER      first copy each file to be changed into this output folder (undo with --undo)
  -m, --match              match replacement: "#key#" in a find text stands for any text (the
                           whole match is replaced)
  -n, --dry-run            list the files that would change and how often; change nothing
  -s, --search TEXT        list the files that hold the text
      --rename FIND REPL   replace text in the paths of the folder's files (rename them)
      --follow             follow links that lead out of the folder (they are named and left alone
                           otherwise)
  -u, --undo FOLDER        undo the newest run with copies in this output folder
      --cut-short undo|keep  undo, or keep, the files changed by runs that were cut short (killed,
                           crashed): each start names such runs until this answers
      --json               one JSON object a line for each file (file, encoding, counts, outcome); a
                           name that is not UTF-8 is {"bytes":"<base64>"}
  -0, --null               print only each file's path, ended by NUL (for xargs -0)
  -h, --help               show this help
      --version            show the version

A long option's value may also follow "=" (--ext=htm,txt). How many files were skipped because their
extension is not listed is said on standard error.

Exit status: 0 every file was done; 1 some files were left alone (named on standard error with the
reason); 2 bad usage or a refused run. Ctrl+C stops between two files; the files done stay done and
the journal is kept as after any stop.
)";
}

std::string Texts::Why(const RunEvent& e) const {
  auto with = [&](const char* en, const char* zh) {
    std::string text = Pick(en, zh);
    if (!e.detail.empty()) text += " (" + e.detail + ")";
    return text;
  };
  switch (e.why) {
    case Why::None:
      return {};
    case Why::Missing:
      return with("no such file", "文件不存在");
    case Why::NotRegular:
      return with("not a regular file", "不是普通文件");
    case Why::NotReadable:
      return with("not readable", "没有读取权限");
    case Why::NotWritable:
      return with("not writable, left as it was", "没有写入权限，保持原样");
    case Why::TooLong:
      return with("name too long", "名字太长");
    case Why::NotText:
      return with("not a text file", "不是文本文件");
    case Why::ChangedDuringRun:
      return with("changed by another program meanwhile, left as it was", "处理时被其他程序修改，保持原样");
    case Why::Replaced:
      return with("replaced by another file or a link, left as it was", "被换成了其他文件或链接，保持原样");
    case Why::NotDurable:
      return with("written, but the disk did not confirm it; the original is kept", "已写入，但磁盘没有确认；原文件已保留");
    case Why::Damaged:
      return with("damaged; its original is kept at", "已损坏；原文件保存在");
    case Why::ChangedSinceRun:
      return with("changed since the run, left as it is", "运行之后被修改过，保持现状");
    case Why::AlreadyOriginal:
      return with("already as before the run", "已经是运行前的样子");
    case Why::NoCopy:
      return with("its original is missing", "没有备份文件");
    case Why::FolderUnreadable:
      return with("folder cannot be read", "文件夹无法读取");
    case Why::TargetExists:
      return with("a file of the new name exists", "新名字的文件已经存在");
    case Why::OpenForWriting:
      return with("another program has it open for writing, left as it was", "另一个程序正在写入这个文件，保持原样");
    case Why::LinkOutside:
      return with("a link out of the folder, not followed (--follow follows it)", "链接指向文件夹以外，没有跟随（用 --follow 跟随）");
    case Why::ForeignLink:
      return with("a link of another user to a file of a third, not followed", "其他用户的链接指向第三个用户的文件，没有跟随");
    // The detail of these two is the number of the rule.
    case Why::NotEncodable:
      return Pick("rule " + e.detail + "'s replacement cannot be written in the file's encoding, left as it was",
                  "规则" + e.detail + "的代替文本含有这个文件的编码无法表示的字符，保持原样");
    case Why::PatternTooCostly:
      return Pick("rule " + e.detail + "'s pattern would take too long on this file, left as it was",
                  "规则" + e.detail + "的正则表达式在这个文件上耗时过长，保持原样");
    case Why::JournalDamaged:
      return with("a line of the run's journal is damaged; what it said is not known", "运行记录中有一行已损坏，无法知道它记录的内容");
    case Why::Error:
      return with("failed, left as it was", "未能处理，保持原样");
  }
  return {};
}

std::string Texts::RuleErrorText(const RuleError& e) const {
  const std::string n = std::to_string(e.rule), at = std::to_string(e.offset);
  switch (e.what) {
    case RuleError::What::Pattern:
      return chinese ? "第" + n + "条规则的正则表达式有错误（第" + at + "个字符处）：" + e.message + "；没有处理任何文件"
                     : "rule " + n + ": the regular expression is wrong at character " + at + ": " + e.message +
                           "; nothing was done";
    case RuleError::What::Replacement:
      return chinese ? "第" + n + "条规则的代替文本有错误（第" + at + "个字符处）：" + e.message + "；没有处理任何文件"
                     : "rule " + n + ": the replacement is wrong at character " + at + ": " + e.message +
                           "; nothing was done";
    case RuleError::What::KeyInPattern:
      return chinese ? "第" + n + "条规则是正则表达式，不能使用#key#（请用 (.*?) 之类的写法）；没有处理任何文件"
                     : "rule " + n + " is a regular expression, where #key# has no meaning (write (.*?) or the like); "
                       "nothing was done";
  }
  return {};
}

std::string Texts::Refusal(const StartRefusal& r) const {
  std::string text;
  switch (r.kind) {
    case StartRefusal::Kind::None:
      return {};
    case StartRefusal::Kind::Records:
      text = Pick("the run's records cannot be made; nothing was changed", "无法建立运行记录，没有修改任何文件");
      break;
    case StartRefusal::Kind::Busy:
      text = Pick("another run is using this journal; nothing was changed", "另一个运行正在使用这份运行记录，没有修改任何文件");
      break;
    case StartRefusal::Kind::Journal:
      text = Pick("a journal there is not one of yours; nothing was changed", "那里的运行记录不可信，没有修改任何文件");
      break;
    case StartRefusal::Kind::Waiting:
      text = Pick("files of an earlier run still wait to be put right; nothing was changed",
                  "上次运行的文件还在等待修复，没有修改任何文件");
      break;
    case StartRefusal::Kind::SourceMissing:
      text = Pick("no such folder", "文件夹不存在");
      break;
    case StartRefusal::Kind::SourceNotFolder:
      text = Pick("not a folder", "不是文件夹");
      break;
    case StartRefusal::Kind::SourceUnreadable:
      text = Pick("the folder cannot be read", "文件夹无法读取");
      break;
    case StartRefusal::Kind::Rule:
      return RuleErrorText(r.rule);
    case StartRefusal::Kind::Table:
      return TableText(r);
    case StartRefusal::Kind::Filter:
      text = Pick("this pattern of files cannot be one, nothing was done", "文件模式有错误，没有处理任何文件");
      break;
  }
  return r.detail.empty() ? text : text + ": " + r.detail;
}

std::string Texts::TableText(const StartRefusal& r) const {
  std::string text = Pick("the rule table " + r.detail + " cannot run, nothing was done:",
                          "规则表 " + r.detail + " 不能执行，没有处理任何文件：");
  for (const TableProblem& p : r.table) {
    text += "\n  ";
    if (p.line > 0) text += Pick("line " + std::to_string(p.line) + ": ", "第" + std::to_string(p.line) + "行：");
    switch (p.what) {
      case TableProblem::What::Unreadable:
        text += Pick("cannot be read (" + p.detail + ")", "无法读取（" + p.detail + "）");
        break;
      case TableProblem::What::TooBig:
        text += Pick("too big (at most 64 MB and 1,000,000 pairs)", "太大（最多64 MB、1,000,000条规则）");
        break;
      case TableProblem::What::NotText:
        text += Pick("not text in an encoding the program reads", "不是程序能读取的编码的文本");
        break;
      case TableProblem::What::NoTab:
        text += Pick("no tab between the find text and the replacement", "查找的文本和代替的文本之间没有制表符");
        break;
      case TableProblem::What::TooManyColumns:
        text += Pick("more than three fields (a tab in a text is written \\t)", "多于三列（文本中的制表符写作 \\t）");
        break;
      case TableProblem::What::EmptyFind:
        text += Pick("the find text is empty", "查找的文本为空");
        break;
      case TableProblem::What::Options:
        text += Pick("\"" + p.detail + "\" are no options (i, w, r)", "“" + p.detail + "”不是选项（i、w、r）");
        break;
      case TableProblem::What::Duplicate:
        text += Pick("the same find text as line " + p.detail + ", replaced otherwise",
                     "查找的文本与第" + p.detail + "行相同，代替的文本却不同");
        break;
      case TableProblem::What::Pattern:
        text += Pick("the regular expression is wrong: " + p.detail, "正则表达式有错误：" + p.detail);
        break;
      case TableProblem::What::KeyInPattern:
        text += Pick("#key# has no meaning in a regular expression", "正则表达式中不能使用#key#");
        break;
    }
  }
  return text;
}

}  // namespace zur::cli
