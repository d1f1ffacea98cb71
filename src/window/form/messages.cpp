#include "window/form/messages.h"

#include <initializer_list>

namespace zur {
namespace {

const QString kHome = QStringLiteral("http://%1/").arg(QLatin1String(kVendorHost));

// One slot of a table with its three language columns; a null text means "not listed".
struct Row {
  QString MessageTables::*slot;
  const char* zhCN;
  const char* zhTW;
  const char* en;
};

void Fill(MessageTables& t, int language, std::initializer_list<Row> rows) {
  for (const Row& r : rows) {
    const char* text = language == 1 ? r.zhTW : language == 2 ? r.en : r.zhCN;
    if (text) t.*r.slot = QString::fromUtf8(text);
  }
}

// Web addresses are listed in the Simplified Chinese column only.
void FillAddress(MessageTables& t, int language, QString MessageTables::*slot, const char* path) {
  if (language != 1 && language != 2) t.*slot = kHome + QLatin1String(path);
}

void FillCommon(MessageTables& t, int lang) {
  Fill(t, lang, {
    {&MessageTables::MsgInvalidFolderName, "请选择一个合法的文件夹名称", "請選擇一個合法的文件夾名稱", "Please Choose a valid path"},
    {&MessageTables::FmtDiskNotExist, "磁盘%s不存在，请重选择一个路径。", "磁盤%s不存在，請重選擇一個路徑。", "Not exist disk:%s ,please reselect a path."},
    {&MessageTables::MsgSelectFile, "请选择一个文件", "請選擇一個文件", "Select a path"},
    {&MessageTables::FmtCurrentFile, "当前文件：%s", "當前文件：%s", "Current File：%s"},
    {&MessageTables::CapFileRecovery, "文件恢复", "文件恢復", "File recovery"},
    {&MessageTables::CapAbout, "关于", "關於", "About"},
    {&MessageTables::HintRightClick, "鼠标右键有更多功能", "鼠標右鍵有更多功能", "Right click mouse right button for more ..."},
    {&MessageTables::HintEnterSubfolder, "直接输入文件夹名称后，单击『Enter』将自动生成子文件夹",
     "直接輸入文件夾名稱後，單擊『Enter』將自動生成子文件夾",
     "Direct input file name，press enter key,the new path wile automatically generated"},
    {&MessageTables::CapVersion, "版本号：", nullptr, nullptr},
    {&MessageTables::CapAuthor, "作者：ZUR软件工作室", nullptr, nullptr},
  });
  if (lang != 1 && lang != 2) t.CapHomePage = QStringLiteral("官方主页：%1/cr/").arg(QLatin1String(kVendorHost));
  FillAddress(t, lang, &MessageTables::UrlDonate, "jz/");
}

void FillMain(MessageTables& t, int lang) {
  FillAddress(t, lang, &MessageTables::UrlDemo, "demo/textreplace/");
  FillAddress(t, lang, &MessageTables::UrlUpdate, "update/tr/");
  FillAddress(t, lang, &MessageTables::UrlProduct, "tr/");
  Fill(t, lang, {
    {&MessageTables::AppTitle, "ZUR文本代替助手", "ZUR文本批量代替", "ZUR batch replace text"},
    {&MessageTables::CapOutputPath, "输出路径", "輸出路徑", "Output"},
    {&MessageTables::CapBackupPath, "备份路径", "備份路徑", "Backup"},
    {&MessageTables::CapBackupWhenReplace, "批量代替时备份", "批量代替時備份", "Backup"},
    {&MessageTables::CapCoverSource, "覆盖原路径", "覆蓋原路徑", "Coverage"},
    {&MessageTables::CapFileExt, "文件后缀", "文件後綴", "file suffix"},
    {&MessageTables::CapFileFormat, "文件格式：多个格式请用逗号分开，例如：htm,html,asp,php",
     "文件格式：多個格式請用逗號分開，例如：htm,html,asp,php",
     "file format: multiple formats with commas, for example: htm, html, asp, php"},
    {&MessageTables::CapOutputResult, "输出结果", "輸出結果", "output"},
    {&MessageTables::CapFindText, "查找的文本", "查找的文本", "search text"},
    {&MessageTables::CapReplaceText, "代替的文本", "代替的文本", "instead of a text"},
    {&MessageTables::CapSearchResult, "查询结果", "查詢結果", "query result"},
    {&MessageTables::FmtSave, "保存%s", "保存%s", "save% s"},
    {&MessageTables::MsgSelectBackupPath, "请选择一个备份路径", "請選擇一個備份路徑", "Please select a backup path"},
    {&MessageTables::FmtReplacedCounts, "已代替%d个文件，共%d处。", "已代替%d個文件，共%d處。",
     "%d files changed, %d places replaced."},
    {&MessageTables::CapDryRun, "只预演，不修改文件", "只預演，不修改文件", "Dry run: change no file"},
    {&MessageTables::FmtDryRunFile, "%s：", "%s：",
     "%s: rule 1 %d, rule 2 %d, rule 3 %d places"},
    {&MessageTables::FmtDryRunDone, "预演：将修改%d个文件，共%d处；没有修改任何文件。", "預演：將修改%d個文件，共%d處；沒有修改任何文件。",
     "Dry run: %d files would change, %d places; no file was changed."},
    {&MessageTables::FmtDiffCaption, "预演的修改：%s", "預演的修改：%s", "What the dry run would change: %s"},
    {&MessageTables::MsgDiffBack, "单击预演报告中的文件可以查看它的修改；按Esc返回预演报告。",
     "單擊預演報告中的文件可以查看它的修改；按Esc返回預演報告。",
     "Click a file of the dry run's report to see its changes; press Esc to go back to the report."},
    {&MessageTables::MsgDiffTruncated, "……（其余的修改没有显示）", "……（其餘的修改沒有顯示）", "... (the other changes are not shown)"},
    {&MessageTables::FmtDiffUnchanged, "这个文件现在不会被修改（预演之后可能被改过）：%s", "這個文件現在不會被修改（預演之後可能被改過）：%s",
     "This file would not change now (it may have changed since the dry run): %s"},
    {&MessageTables::FmtDiffTooLarge, "文件太大，不能显示修改：%s", "文件太大，不能顯示修改：%s", "The file is too large to show its changes: %s"},
    {&MessageTables::MsgStopAndClose, "一个命令还在运行。要停止它并关闭窗口吗？（已经处理完的文件保持处理后的样子。）",
     "一個命令還在運行。要停止它並關閉窗口嗎？（已經處理完的文件保持處理後的樣子。）",
     "A command is still running. Stop it and close the window? (Files already done stay as they are now.)"},
    {&MessageTables::CapStopAndClose, "关闭窗口", "關閉窗口", "Close the window"},
    {&MessageTables::FmtOutputFolderMissing, "输出路径不存在，也无法建立，请选择另一个输出路径：%s",
     "輸出路徑不存在，也無法建立，請選擇另一個輸出路徑：%s", "The output path does not exist and cannot be made. Please choose another output path: %s"},
    {&MessageTables::FmtRestoreDone, "恢复完成：已恢复%d个文件。", "恢復完成：已恢復%d個文件。", "Restore done: %d files restored."},
    {&MessageTables::FmtRestoreDoneLeft, "恢复结束：已恢复%d个文件，%d个文件没有恢复（原因见输出结果）。",
     "恢復結束：已恢復%d個文件，%d個文件沒有恢復（原因見輸出結果）。",
     "Restore ended: %d files restored, %d files not restored (the output pane says why)."},
    {&MessageTables::FmtRunUndone, "已撤销%s的运行（源文件夹：%s，%d个文件）。", "已撤銷%s的運行（源文件夾：%s，%d個文件）。",
     "Undid the run of %s (source folder: %s, %d files)."},
    {&MessageTables::FmtCutShort,
     "%s的运行（源文件夹：%s）没有正常结束：已修改%d个文件，%d个文件没有处理到。\n要撤销已修改的文件吗？选“是”撤销，选“否”保留这些修改。",
     "%s的運行（源文件夾：%s）沒有正常結束：已修改%d個文件，%d個文件沒有處理到。\n要撤銷已修改的文件嗎？選“是”撤銷，選“否”保留這些修改。",
     "The run of %s (source folder: %s) did not end normally: it changed %d files and did not reach %d.\nUndo the changed files? Yes undoes them, No keeps the changes."},
    {&MessageTables::FmtCutShortUnknown,
     "%s的运行（源文件夹：%s）没有正常结束：已修改%d个文件，其余的文件没有处理到。\n要撤销已修改的文件吗？选“是”撤销，选“否”保留这些修改。",
     "%s的運行（源文件夾：%s）沒有正常結束：已修改%d個文件，其餘的文件沒有處理到。\n要撤銷已修改的文件嗎？選“是”撤銷，選“否”保留這些修改。",
     "The run of %s (source folder: %s) did not end normally: it changed %d files and did not reach the others.\nUndo the changed files? Yes undoes them, No keeps the changes."},
    {&MessageTables::CapCutShort, "运行被中断", "運行被中斷", "A run was cut short"},
    {&MessageTables::MsgPaneShowsDiff, "输出结果显示的是预演的修改，不能编辑或保存；按Esc返回预演报告。",
     "輸出結果顯示的是預演的修改，不能編輯或保存；按Esc返回預演報告。",
     "The output pane shows a dry run's changes: they cannot be edited or saved. Press Esc to go back to the report."},
    {&MessageTables::MsgAllReplaced, "所有代替已经完成。", "所有代替已經完成。", "all the place has been completed. "},
    {&MessageTables::MsgReplaceDone, "代替完成", "代替完成", "instead of complete"},
    {&MessageTables::FmtRestoredTo, "已把%s恢复到%s", "已把%s恢復到%s", "has% s back to% s"},
    {&MessageTables::FmtRestore, "恢复%s", "恢復%s", "restore% s"},
    {&MessageTables::MsgNothingToRestore, "没有任何需要恢复的文件", "沒有任何需要恢復 的文件", "there is no need to restore files"},
    {&MessageTables::MsgConfirmRestore, "确认要回复到原来的文件吗？", "確認要回復到原來的文件嗎？",
     "confirm that you want to revert to the original file? "},
    {&MessageTables::MsgNoMatchFound, "没有发现任何匹配文字 \"", "沒有發現任何匹配文字 \"", "did not find any matching text \""},
    {&MessageTables::MsgEnterSearchText, "请输入要查询的文字", "請輸入要查詢的文字", "Please enter the text"},
    {&MessageTables::MsgAllSearched, "所有查询已经完成。", "所有查詢已經完成。", "all inquiries have been completed. "},
    {&MessageTables::FmtFoundCount, "共查到%d条记录", "共查到%d條記錄", "Total %d records found"},
    {&MessageTables::MsgSearchTextEmpty, "查询的文本不能为空", "查詢的文本不能為空", "query text can not be empty"},
    {&MessageTables::MsgNoMatchWords, "没有找到任何匹配文字: \"", "沒有找到任何匹配文字: \"", "did not find any matching words: \""},
    {&MessageTables::CapRefresh, "刷新", "刷新", "Refresh"},
    {&MessageTables::CapDefaultOpen, "默认打开", "默認打開", "by default"},
    {&MessageTables::CapOpenWithNotepad, "用记事本打开", "用記事本打開", "use Notepad to open"},
    {&MessageTables::MsgPathNotExist, "文件夹不存在", "文件夾不存在", "not exits path"},
    // Texts of our own, for the cases where this program refuses to damage a file.
    {&MessageTables::MsgSkippedNotText, "不是文本文件，已跳过：%s", "不是文本文件，已跳過：%s", "not a text file, skipped: %s"},
    {&MessageTables::MsgFileFailed, "未能处理，文件保持原样：%s", "未能處理，文件保持原樣：%s",
     "could not be processed, the file is unchanged: %s"},
    {&MessageTables::MsgNoBackupCopy, "没有备份文件，未恢复：%s", "沒有備份文件，未恢復：%s", "no backup copy, not restored: %s"},
    {&MessageTables::MsgOutputIsSource, "输出路径不能与源路径相同，否则备份会覆盖原文件。请选择另一个输出路径。",
     "輸出路徑不能與源路徑相同，否則備份會覆蓋原文件。請選擇另一個輸出路徑。",
     "The output path must differ from the source path, or the backups would overwrite the files. Please choose another output path."},
    {&MessageTables::MsgPaneHasNoFile, "输出结果中没有打开的文件，请先在文件列表或查询结果中单击一个文件。",
     "輸出結果中沒有打開的文件，請先在文件列表或查詢結果中單擊一個文件。",
     "The output pane holds no file. Click a file in the file list or in the query results first."},
    // What a run says about the files it left alone, and how it ended.
    {&MessageTables::FmtSkippedMissing, "文件不存在，已跳过：%s", "文件不存在，已跳過：%s", "no such file, skipped: %s"},
    {&MessageTables::FmtSkippedNotRegular, "不是普通文件，已跳过：%s", "不是普通文件，已跳過：%s",
     "not a regular file, skipped: %s"},
    {&MessageTables::FmtSkippedNotReadable, "没有读取权限，已跳过：%s", "沒有讀取權限，已跳過：%s",
     "not readable, skipped: %s"},
    {&MessageTables::FmtSkippedNotWritable, "没有写入权限，文件保持原样：%s", "沒有寫入權限，文件保持原樣：%s",
     "not writable, the file is unchanged: %s"},
    {&MessageTables::FmtPathTooLong, "路径太长，无法打开：%s", "路徑太長，無法打開：%s", "path too long to open: %s"},
    {&MessageTables::FmtFolderUnreadable, "无法打开文件夹，已跳过：%s", "無法打開文件夾，已跳過：%s",
     "cannot open the folder, skipped: %s"},
    {&MessageTables::FmtChangedDuringRun, "文件在处理时被其他程序修改，保持原样：%s",
     "文件在處理時被其他程序修改，保持原樣：%s", "changed by another program meanwhile, left as it is: %s"},
    {&MessageTables::FmtChangedSinceRun, "批量代替后已被修改，未恢复：%s", "批量代替後已被修改，未恢復：%s",
     "changed since the batch, not restored: %s"},
    {&MessageTables::FmtRecovered, "上次运行被中断，已恢复原文件：%s", "上次運行被中斷，已恢復原文件：%s",
     "the last run was cut short; the original was put back: %s"},
    {&MessageTables::FmtRunStopped, "操作已停止，已处理%d个文件。", "操作已停止，已處理%d個文件。",
     "Stopped after %d files."},
    {&MessageTables::FmtRunProblems, "操作完成，但有%d个文件未能处理，详见输出结果。",
     "操作完成，但有%d個文件未能處理，詳見輸出結果。",
     "Finished, but %d files could not be processed; see the output pane."},
    {&MessageTables::FmtRestoreChangedFiles, "有%d个文件在批量代替后又被修改过。仍然要把它们也恢复到原来的文件吗？",
     "有%d個文件在批量代替後又被修改過。仍然要把它們也恢復到原來的文件嗎？",
     "%d files were changed again after the batch. Restore them to the original files as well?"},
    {&MessageTables::MsgOutputContainsSource, "输出路径包含源路径，备份会写进源文件夹。请选择另一个输出路径。",
     "輸出路徑包含源路徑，備份會寫進源文件夾。請選擇另一個輸出路徑。",
     "The output path contains the source path, so the backups would land among the files. Please choose another output path."},
    {&MessageTables::MsgRunNotStarted, "无法建立运行记录，没有修改任何文件：", "無法建立運行記錄，沒有修改任何文件：",
     "Cannot keep the run's record, no file was changed: "},
    {&MessageTables::FmtFolderCreated, "源文件夹不存在，已经建立：%s", "源文件夾不存在，已經建立：%s",
     "The source folder did not exist and was created: %s"},
    {&MessageTables::MsgPaneNotText, "不是文本文件，不能在此显示或编辑：%s", "不是文本文件，不能在此顯示或編輯：%s",
     "not a text file, cannot be shown or edited here: %s"},
    {&MessageTables::MsgPanePartial, "文件太大，输出结果只显示了它的开头部分，因此不能保存。",
     "文件太大，輸出結果只顯示了它的開頭部分，因此不能保存。",
     "The file is too large: the output pane shows only its beginning, so it cannot be saved."},
    {&MessageTables::FmtTargetExists, "目标文件已存在，未改名：%s", "目標文件已存在，未改名：%s",
     "a file of the new name exists, not renamed: %s"},
    {&MessageTables::CapPartialView, "只显示开头部分", "只顯示開頭部分", "beginning only"},
    {&MessageTables::MsgSettingsNotSaved, "无法在文件夹 %s 中保存设置，关闭程序时当前设置将会丢失。",
     "無法在文件夾 %s 中保存設置，關閉程序時當前設置將會丟失。",
     "The settings cannot be saved in the folder %s; the current settings will be lost when the program closes."},
    {&MessageTables::MsgUpdateUnreachable, "无法连接更新服务器，请稍后再试。", "無法連接更新服務器，請稍後再試。",
     "The update server could not be reached. Please try again later."},
    // What the journal and the one way of writing files report.
    {&MessageTables::FmtReplacedDuringRun, "文件在处理时被换成了其他文件或链接，保持原样：%s",
     "文件在處理時被換成了其他文件或鏈接，保持原樣：%s", "replaced by another file or a link meanwhile, left as it is: %s"},
    {&MessageTables::FmtNotDurable, "文件已写入，但磁盘没有确认保存，原文件仍然保留：%s",
     "文件已寫入，但磁盤沒有確認保存，原文件仍然保留：%s",
     "written, but the disk did not confirm it; the original is kept: %s"},
    {&MessageTables::FmtDamaged, "写入失败，也未能恢复原样，文件可能已损坏：%s（原文件保存在 %s）",
     "寫入失敗，也未能恢復原樣，文件可能已損壞：%s（原文件保存在 %s）",
     "the write failed and could not be undone, the file may be damaged: %s (the original is kept in %s)"},
    {&MessageTables::FmtRunError, "运行出错：%s", "運行出錯：%s", "the run met an error: %s"},
    {&MessageTables::MsgRunBusy, "另一个窗口的运行正在使用这份运行记录，没有修改任何文件：",
     "另一個窗口的運行正在使用這份運行記錄，沒有修改任何文件：",
     "A run of another window is using this run record; no file was changed: "},
    {&MessageTables::MsgJournalRefused, "这份运行记录不是本程序为当前用户写的，不能使用，没有修改任何文件：",
     "這份運行記錄不是本程序為當前用戶寫的，不能使用，沒有修改任何文件：",
     "This run record was not written by this program for the current user and cannot be used; no file was changed: "},
    {&MessageTables::MsgRunWaiting, "上次运行还有文件没能恢复，没有修改任何文件：", "上次運行還有文件沒能恢復，沒有修改任何文件：",
     "Files of an earlier run still wait to be put right; no file was changed: "},
    {&MessageTables::MsgRestoreBusy, "这次运行还在进行，现在不能恢复：", "這次運行還在進行，現在不能恢復：",
     "That run is still going and cannot be undone now: "},
    {&MessageTables::FmtRecoveryWaits, "上次运行被中断，未能恢复：%s（原文件保存在 %s）",
     "上次運行被中斷，未能恢復：%s（原文件保存在 %s）",
     "the last run was cut short; not put right yet: %s (the original is kept in %s)"},
    {&MessageTables::MsgRunInterrupted, "上次运行被中断。", "上次運行被中斷。", "The last run was cut short."},
    {&MessageTables::FmtRecoveredCount, "已恢复原文件：%d个。", "已恢復原文件：%d個。", "Originals put back: %d."},
    {&MessageTables::FmtWaitingCount, "未能恢复：%d个，原文件仍然保留，下次启动时将再次尝试（详见输出结果）。",
     "未能恢復：%d個，原文件仍然保留，下次啟動時將再次嘗試（詳見輸出結果）。",
     "Not put right yet: %d; their originals are kept and the next start tries again (see the output pane)."},
    {&MessageTables::FmtJournalRefused, "运行记录不能使用：%s（%s）", "運行記錄不能使用：%s（%s）",
     "a run record that cannot be used: %s (%s)"},
    {&MessageTables::FmtKeptAside, "恢复前的内容另存在 %s", "恢復前的內容另存在 %s", "what it held is kept in %s"},
    {&MessageTables::FmtUnexpectedError, "操作出错，已停止：%s", "操作出錯，已停止：%s", "The command failed and stopped: %s"},
    {&MessageTables::FmtRuleCount, "规则%s %d处", "規則%s %d處", "rule %s %d"},
    {&MessageTables::FmtRuleNumber, "规则%s", "規則%s", "rule %s"},
    {&MessageTables::FmtRuleLine, "规则%d：%s → %s（%s）", "規則%d：%s → %s（%s）", "rule %d: %s -> %s (%s)"},
    {&MessageTables::CapMatchCase, "区分大小写", "區分大小寫", "Match case"},
    {&MessageTables::CapIgnoreCase, "不区分大小写", "不區分大小寫", "Ignore case"},
    {&MessageTables::CapWholeWord, "全字匹配", "全字匹配", "Whole word"},
    {&MessageTables::CapRegex, "正则表达式", "正則表達式", "Regular expression"},
    {&MessageTables::HintMatchCase, "不勾选时不区分大小写（按Unicode比较，全角字母也一样）",
     "不勾選時不區分大小寫（按Unicode比較，全角字母也一樣）", "Unticked, letter case does not count (Unicode, fullwidth letters too)"},
    {&MessageTables::HintWholeWord, "匹配的文本前后不能紧挨字母、数字或下划线", "匹配的文本前後不能緊挨字母、數字或下劃線",
     "A match may not be preceded or followed by a letter, digit or underscore"},
    {&MessageTables::HintRegex,
     "查找的文本是正则表达式（PCRE2，与PHP的preg_相同）；代替的文本中$1…$99、${名字}代表分组，$$代表$，\\n代表换行",
     "查找的文本是正則表達式（PCRE2，與PHP的preg_相同）；代替的文本中$1…$99、${名字}代表分組，$$代表$，\\n代表換行",
     "The find text is a regular expression (PCRE2, as PHP's preg_); in the replacement $1...$99 and ${name} are groups, $$ is $, \\n a line break"},
    {&MessageTables::HintSearchRegex, "查询的文本是正则表达式（PCRE2，与PHP的preg_相同）", "查詢的文本是正則表達式（PCRE2，與PHP的preg_相同）",
     "The search text is a regular expression (PCRE2, as PHP's preg_)"},
    {&MessageTables::FmtRulePatternWrong, "第%d条规则的正则表达式有错误（第%d个字符处）：%s。没有处理任何文件。",
     "第%d條規則的正則表達式有錯誤（第%d個字符處）：%s。沒有處理任何文件。",
     "The regular expression of rule %d is wrong at character %d: %s. No file was processed."},
    {&MessageTables::FmtRuleReplacementWrong, "第%d条规则的代替文本有错误（第%d个字符处）：%s。没有处理任何文件。",
     "第%d條規則的代替文本有錯誤（第%d個字符處）：%s。沒有處理任何文件。",
     "The replacement of rule %d is wrong at character %d: %s. No file was processed."},
    {&MessageTables::FmtTableRefused, "规则表%s不能执行（第%d行有错误），没有处理任何文件。", "規則表%s不能執行（第%d行有錯誤），沒有處理任何文件。",
     "The rule table %s cannot run (line %d is wrong). No file was processed."},
    {&MessageTables::CapRuleTable, "规则表", "規則表", "Rule table"},
    {&MessageTables::CapPickTable, "选择…", "選擇…", "Choose..."},
    {&MessageTables::CapClearTable, "清除", "清除", "Clear"},
    {&MessageTables::HintRuleTable,
     "每行一条规则：查找的文本、制表符、代替的文本（可选第三列 i/w/r）；.csv 文件也可以。在三条规则之后一次全部执行：每处取最长的查找文本，代替后的文字不再查找，所以可以互换两个词。",
     "每行一條規則：查詢的文本、制表符、代替的文本（可選第三列 i/w/r）；.csv 文件也可以。在三條規則之後一次全部執行：每處取最長的查詢文本，代替後的文字不再查詢，所以可以互換兩個詞。",
     "One rule a line: find text, a tab, replacement (optionally a third column i/w/r); .csv files too. Runs after the three rows, all at once: at each place the longest find text wins, and what was put in is not searched again, so two words can be swapped."},
    {&MessageTables::FmtRuleTablePairs, "规则表：%d条规则", "規則表：%d條規則", "Rule table: %d rules"},
    {&MessageTables::FmtRuleTableWrong, "规则表第%d行有错误，不能执行", "規則表第%d行有錯誤，不能執行", "The rule table is wrong at line %d and cannot run"},
    {&MessageTables::CapTableFilter, "规则表 (*.txt *.tsv *.csv);;所有文件 (*)", "規則表 (*.txt *.tsv *.csv);;所有文件 (*)",
     "Rule tables (*.txt *.tsv *.csv);;All files (*)"},
    {&MessageTables::CapTableCount, "表", "表", "table"},
    {&MessageTables::FmtTablePairCount, "第%d行 %d处", "第%d行 %d處", "line %d %d"},
    {&MessageTables::MsgFilterWrong, "排除的模式有错误，不能执行：", "排除的模式有錯誤，不能執行：", "This exclusion pattern is wrong, nothing was done: "},
    {&MessageTables::FmtLeftOut, "已排除%d个文件", "已排除%d個文件", "%d files excluded"},
    {&MessageTables::FmtTableTotals, "规则表合计：%s", "規則表合計：%s", "Rule table in all: %s"},
    {&MessageTables::FmtTableUnmatched, "以下规则没有匹配：规则表第%s行", "以下規則沒有匹配：規則表第%s行", "These rules matched nothing: rule table lines %s"},
    {&MessageTables::FmtRuleKeyInPattern, "第%d条规则是正则表达式，不能使用#key#（请用 (.*?) 之类的写法）。没有处理任何文件。",
     "第%d條規則是正則表達式，不能使用#key#（請用 (.*?) 之類的寫法）。沒有處理任何文件。",
     "Rule %d is a regular expression, where #key# has no meaning (write (.*?) or the like). No file was processed."},
    {&MessageTables::FmtNotEncodable, "规则的代替文本含有这个文件的编码无法表示的字符，保持原样：%s",
     "規則的代替文本含有這個文件的編碼無法表示的字符，保持原樣：%s",
     "a rule's replacement cannot be written in the file's encoding, left as it is: %s"},
    {&MessageTables::FmtPatternTooCostly, "规则的正则表达式在这个文件上耗时过长，保持原样：%s",
     "規則的正則表達式在這個文件上耗時過長，保持原樣：%s",
     "a rule's regular expression would take too long on this file, left as it is: %s"},
    {&MessageTables::CapExclude, "排除", "排除", "Exclude"},
    {&MessageTables::CapSkipHidden, "跳过隐藏文件", "跳過隱藏文件", "Skip hidden files"},
    {&MessageTables::CapMaxSize, "最大", "最大", "Largest"},
    {&MessageTables::HintExclude,
     "不处理的文件和文件夹，用逗号分开，例如 .git,node_modules,uploads/*,*.min.js。不含“/”的模式比较每一层的名字，含“/”的比较源路径下的路径",
     "不處理的文件和文件夾，用逗號分開，例如 .git,node_modules,uploads/*,*.min.js。不含“/”的模式比較每一層的名字，含“/”的比較源路徑下的路徑",
     "Files and folders to leave out, separated by commas, e.g. .git,node_modules,uploads/*,*.min.js. A pattern without \"/\" is matched against names at every depth, one with \"/\" against the path below the source folder"},
    {&MessageTables::HintMaxSize, "更大的文件不处理：KB或MB，例如 500K、2M；空着为不限", "更大的文件不處理：KB或MB，例如 500K、2M；空著為不限",
     "Larger files are left alone: KB or MB, e.g. 500K, 2M; empty for no limit"},
    {&MessageTables::MsgMaxSizeWrong, "最大文件大小应为数字，后面可加K或M：", "最大文件大小應為數字，後面可加K或M：",
     "The largest size must be a number, with K or M after it if wanted: "},
    {&MessageTables::CapFollowOutside, "跟随指向源文件夹以外的链接", "跟隨指向源文件夾以外的鏈接",
     "Follow links out of the source folder"},
    {&MessageTables::FmtOpenForWriting, "另一个程序正在写入这个文件，保持原样：%s", "另一個程序正在寫入這個文件，保持原樣：%s",
     "another program has the file open for writing, left as it is: %s"},
    {&MessageTables::FmtLinkOutside, "链接指向源文件夹以外，没有跟随：%s（指向 %s）", "鏈接指向源文件夾以外，沒有跟隨：%s（指向 %s）",
     "a link out of the source folder, not followed: %s (to %s)"},
    {&MessageTables::FmtForeignLink, "其他用户的链接指向第三个用户的文件，没有跟随：%s", "其他用戶的鏈接指向第三個用戶的文件，沒有跟隨：%s",
     "a link of another user to a file of a third, not followed: %s"},
    {&MessageTables::FmtJournalDamaged, "运行记录中有一行已损坏，无法知道它记录的内容，这次运行仍然可以再次恢复：%s",
     "運行記錄中有一行已損壞，無法知道它記錄的內容，這次運行仍然可以再次恢復：%s",
     "a line of the run record is damaged and what it said is not known; the run stays offered for undo: %s"},
    {&MessageTables::MsgHistoryKeptInPlace, "输出文件夹的历史记录不能使用，上一次运行留在输出文件夹中：",
     "輸出文件夾的歷史記錄不能使用，上一次運行留在輸出文件夾中：",
     "The output folder's history cannot be used; the last run stays in the output folder: "},
    {&MessageTables::MsgSourceMissing, "源文件夹不存在，没有处理任何文件：", "源文件夾不存在，沒有處理任何文件：",
     "The source folder does not exist; no file was processed: "},
    {&MessageTables::MsgSourceNotFolder, "源路径不是文件夹，没有处理任何文件：", "源路徑不是文件夾，沒有處理任何文件：",
     "The source path is not a folder; no file was processed: "},
    {&MessageTables::MsgSourceUnreadable, "源文件夹无法读取，没有处理任何文件：", "源文件夾無法讀取，沒有處理任何文件：",
     "The source folder cannot be read; no file was processed: "},
  });
}

}  // namespace

MessageTables::MessageTables() : UrlHome(kHome), UrlDemo(kHome), UrlProduct(kHome) {}

void FillTables(MessageTables& tables, int languageIndex) {
  tables.ButtonHeight = 26;
  tables.LanguageIndex = languageIndex;
  FillCommon(tables, tables.LanguageIndex);
  FillMain(tables, tables.LanguageIndex);
}

void ApplyLanguage(MessageTables& tables) {
  FillTables(tables, 0);
}

QString FormatMessage(const QString& format, const QString& arg) {
  QString out = format;
  int at = out.indexOf(QLatin1String("%s"));
  if (at < 0) at = out.indexOf(QLatin1String("% s"));
  if (at >= 0) out.replace(at, out.mid(at, 2) == QLatin1String("%s") ? 2 : 3, arg);
  return out;
}

QString FormatMessage(const QString& format, const QString& first, const QString& second) {
  return FormatMessage(FormatMessage(format, first), second);
}

QString FormatMessage(const QString& format, int number) {
  QString out = format;
  int at = out.indexOf(QLatin1String("%d"));
  if (at >= 0) out.replace(at, 2, QString::number(number));
  return out;
}

}  // namespace zur
