// The two message tables: every text the program shows at run time, in three languages, selected by
// a language index that is always 0 (Simplified Chinese). Filling a table assigns the slots that the
// chosen language lists; a slot it does not list keeps its value.
#pragma once

#include <QString>

namespace zur {

// The vendor's web site. A reserved name: the program points users at no stranger's site.
inline constexpr char kVendorHost[] = "www.zursoft.example";

struct MessageTables {
  MessageTables();

  int LanguageIndex = 0;
  int ButtonHeight = 0;

  // Web addresses on the vendor's site.
  QString UrlHome;
  QString UrlDemo;
  QString UrlUpdate;
  QString UrlProduct;
  QString UrlDonate;

  // Common table.
  QString MsgInvalidFolderName;
  QString FmtDiskNotExist;
  QString MsgSelectFile;
  QString FmtCurrentFile;
  QString CapFileRecovery;
  QString CapAbout;
  QString HintRightClick;
  QString HintEnterSubfolder;
  QString CapVersion;
  QString CapAuthor;
  QString CapHomePage;

  // Main table.
  QString AppTitle;
  QString CapOutputPath;
  QString CapBackupPath;
  QString CapBackupWhenReplace;
  QString CapCoverSource;
  QString CapFileExt;
  QString CapFileFormat;
  QString CapOutputResult;
  QString CapFindText;
  QString CapReplaceText;
  QString CapSearchResult;
  QString FmtSave;
  QString MsgSelectBackupPath;
  QString MsgAllReplaced;
  QString FmtReplacedCounts;
  QString CapDryRun;
  QString FmtDryRunFile;
  QString FmtDryRunDone;
  QString FmtDiffCaption;
  QString MsgDiffBack;
  QString MsgDiffTruncated;
  QString FmtDiffUnchanged;
  QString FmtDiffTooLarge;
  QString MsgPaneShowsDiff;
  QString MsgStopAndClose;
  QString CapStopAndClose;
  QString FmtOutputFolderMissing;
  QString FmtRestoreDone;
  QString FmtRestoreDoneLeft;
  QString FmtRunUndone;
  QString FmtCutShort;
  QString FmtCutShortUnknown;
  QString CapCutShort;
  QString MsgReplaceDone;
  QString FmtRestoredTo;
  QString FmtRestore;
  QString MsgNothingToRestore;
  QString MsgConfirmRestore;
  QString MsgNoMatchFound;
  QString MsgEnterSearchText;
  QString MsgAllSearched;
  QString FmtFoundCount;
  QString MsgSearchTextEmpty;
  QString MsgNoMatchWords;
  QString CapRefresh;
  QString CapDefaultOpen;
  QString CapOpenWithNotepad;
  QString MsgPathNotExist;
  QString MsgSkippedNotText;
  QString MsgFileFailed;
  QString MsgNoBackupCopy;
  QString MsgOutputIsSource;
  QString MsgPaneHasNoFile;
  QString FmtSkippedMissing;
  QString FmtSkippedNotRegular;
  QString FmtSkippedNotReadable;
  QString FmtSkippedNotWritable;
  QString FmtPathTooLong;
  QString FmtFolderUnreadable;
  QString FmtChangedDuringRun;
  QString FmtChangedSinceRun;
  QString FmtRecovered;
  QString FmtRunStopped;
  QString FmtRunProblems;
  QString FmtRestoreChangedFiles;
  QString MsgOutputContainsSource;
  QString MsgRunNotStarted;
  QString MsgPaneNotText;
  QString FmtFolderCreated;
  QString MsgPanePartial;
  QString FmtTargetExists;
  QString CapPartialView;
  QString MsgSettingsNotSaved;
  QString MsgUpdateUnreachable;
  QString FmtReplacedDuringRun;
  QString FmtNotDurable;
  QString FmtDamaged;
  QString FmtRunError;
  QString MsgRunBusy;
  QString MsgJournalRefused;
  QString MsgRunWaiting;
  QString MsgRestoreBusy;
  QString FmtRecoveryWaits;
  QString MsgRunInterrupted;
  QString FmtRecoveredCount;
  QString FmtWaitingCount;
  QString FmtJournalRefused;
  QString FmtUnexpectedError;
  QString FmtKeptAside;
  QString CapFollowOutside;
  QString CapExclude;
  QString CapSkipHidden;
  QString CapMaxSize;
  QString HintExclude;
  QString HintMaxSize;
  QString MsgMaxSizeWrong;
  QString FmtRuleCount;
  QString FmtRuleNumber;
  QString FmtRuleLine;
  QString CapMatchCase;
  QString CapIgnoreCase;
  QString CapWholeWord;
  QString CapRegex;
  QString HintMatchCase;
  QString HintWholeWord;
  QString HintRegex;
  QString HintSearchRegex;
  QString FmtRulePatternWrong;
  QString FmtRuleReplacementWrong;
  QString FmtRuleKeyInPattern;
  QString FmtTableRefused;
  QString CapRuleTable;
  QString CapPickTable;
  QString CapClearTable;
  QString HintRuleTable;
  QString FmtRuleTablePairs;
  QString FmtRuleTableWrong;
  QString CapTableFilter;
  QString CapTableCount;
  QString FmtTableUnmatched;
  QString FmtTablePairCount;
  QString FmtTableTotals;
  QString MsgFilterWrong;
  QString FmtLeftOut;
  QString FmtNotEncodable;
  QString FmtPatternTooCostly;
  QString FmtOpenForWriting;
  QString FmtLinkOutside;
  QString FmtForeignLink;
  QString FmtJournalDamaged;
  QString MsgHistoryKeptInPlace;
  QString MsgSourceMissing;
  QString MsgSourceNotFolder;
  QString MsgSourceUnreadable;
};

// Fills both tables for the fixed language index 0. Running it twice leaves the same values.
void ApplyLanguage(MessageTables& tables);

// Fills both tables for the given language column (0 Simplified Chinese, 1 Traditional Chinese,
// 2 English, anything else Simplified Chinese). ApplyLanguage always passes 0.
void FillTables(MessageTables& tables, int languageIndex);

// A "%s"/"%d" format filled with its arguments in order.
QString FormatMessage(const QString& format, const QString& arg);
QString FormatMessage(const QString& format, const QString& first, const QString& second);
QString FormatMessage(const QString& format, int number);

}  // namespace zur
