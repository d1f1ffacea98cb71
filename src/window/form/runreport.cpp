#include "window/form/runreport.h"

#include <cerrno>

#include "core/platform/fileio.h"

namespace zur {
namespace {

constexpr QChar kCrSymbol(0x240D);
constexpr QChar kLfSymbol(0x240A);

QString WithDetail(const QString& line, const std::string& detail) {
  if (detail.empty()) return line;
  return line + QStringLiteral("（") + QString::fromLocal8Bit(detail.c_str()) + QStringLiteral("）");
}

}  // namespace

QString ProblemLine(const MessageTables& msg, const RunEvent& e, const QString& shown) {
  switch (e.why) {
    case Why::Missing:
      return FormatMessage(msg.FmtSkippedMissing, shown);
    case Why::NotRegular:
      return FormatMessage(msg.FmtSkippedNotRegular, shown);
    case Why::NotReadable:
      return FormatMessage(msg.FmtSkippedNotReadable, shown);
    case Why::NotWritable:
      return FormatMessage(msg.FmtSkippedNotWritable, shown);
    case Why::TooLong:
      return FormatMessage(msg.FmtPathTooLong, shown);
    case Why::NotText:
      return FormatMessage(msg.MsgSkippedNotText, shown);
    case Why::ChangedDuringRun:
      return FormatMessage(msg.FmtChangedDuringRun, shown);
    case Why::Replaced:
      return FormatMessage(msg.FmtReplacedDuringRun, shown);
    case Why::NotDurable:
      return WithDetail(FormatMessage(msg.FmtNotDurable, shown), e.detail);
    case Why::Damaged:
      return FormatMessage(msg.FmtDamaged, shown, QString::fromLocal8Bit(e.detail.c_str()));
    case Why::ChangedSinceRun:
      return FormatMessage(msg.FmtChangedSinceRun, shown);
    case Why::NoCopy:
      return FormatMessage(msg.MsgNoBackupCopy, shown);
    case Why::FolderUnreadable:
      return WithDetail(FormatMessage(msg.FmtFolderUnreadable, shown), e.detail);
    case Why::TargetExists:
      return FormatMessage(msg.FmtTargetExists, shown);
    case Why::OpenForWriting:
      return FormatMessage(msg.FmtOpenForWriting, shown);
    case Why::LinkOutside:
      return FormatMessage(msg.FmtLinkOutside, shown, QString::fromLocal8Bit(e.detail.c_str()));
    case Why::ForeignLink:
      return FormatMessage(msg.FmtForeignLink, shown);
    case Why::NotEncodable:
      return FormatMessage(msg.FmtNotEncodable, shown) + QStringLiteral("（") +
             FormatMessage(msg.FmtRuleNumber, QString::fromStdString(e.detail)) + QStringLiteral("）");
    case Why::PatternTooCostly:
      return FormatMessage(msg.FmtPatternTooCostly, shown) + QStringLiteral("（") +
             FormatMessage(msg.FmtRuleNumber, QString::fromStdString(e.detail)) + QStringLiteral("）");
    case Why::JournalDamaged:
      return FormatMessage(msg.FmtJournalDamaged, QString::fromLocal8Bit(e.detail.c_str()));
    case Why::None:
    case Why::AlreadyOriginal:
    case Why::Error:
      break;
  }
  return WithDetail(FormatMessage(msg.MsgFileFailed, shown), e.detail);
}

QString FolderProblemLine(const MessageTables& msg, const ScanProblem& p, const QString& shown) {
  switch (p.kind) {
    case ScanProblem::Kind::LinkOutside:
      return ProblemLine(msg, {kNoItem, Outcome::Skipped, Why::LinkOutside, p.target}, shown);
    case ScanProblem::Kind::ForeignLink:
      return ProblemLine(msg, {kNoItem, Outcome::Skipped, Why::ForeignLink, p.target}, shown);
    case ScanProblem::Kind::Unreadable:
      break;
  }
  const RunEvent e{kNoItem, Outcome::Skipped, p.error == ENAMETOOLONG ? Why::TooLong : Why::FolderUnreadable,
                   p.error == ENAMETOOLONG ? std::string() : fs::ErrorText(p.error)};
  return ProblemLine(msg, e, shown);
}

QString RuleErrorText(const MessageTables& msg, const RuleError& e) {
  const QString format = e.what == RuleError::What::Pattern       ? msg.FmtRulePatternWrong
                         : e.what == RuleError::What::Replacement ? msg.FmtRuleReplacementWrong
                                                                  : msg.FmtRuleKeyInPattern;
  QString text = FormatMessage(format, static_cast<int>(e.rule));
  if (e.what == RuleError::What::KeyInPattern) return text;
  return FormatMessage(FormatMessage(text, static_cast<int>(e.offset)), QString::fromStdString(e.message));
}

QString RefusalText(const MessageTables& msg, const StartRefusal& refusal, const QString& detail) {
  switch (refusal.kind) {
    case StartRefusal::Kind::Busy:
      return msg.MsgRunBusy + detail;
    case StartRefusal::Kind::Journal:
      return msg.MsgJournalRefused + detail;
    case StartRefusal::Kind::Waiting:
      return msg.MsgRunWaiting + detail;
    case StartRefusal::Kind::SourceMissing:
      return msg.MsgSourceMissing + detail;
    case StartRefusal::Kind::SourceNotFolder:
      return msg.MsgSourceNotFolder + detail;
    case StartRefusal::Kind::SourceUnreadable:
      return msg.MsgSourceUnreadable + detail;
    case StartRefusal::Kind::Rule:
      return RuleErrorText(msg, refusal.rule);
    case StartRefusal::Kind::Table:
      return FormatMessage(FormatMessage(msg.FmtTableRefused, detail),
                           static_cast<int>(refusal.table.empty() ? 0 : refusal.table.front().line));
    case StartRefusal::Kind::Filter:
      return msg.MsgFilterWrong + detail;
    case StartRefusal::Kind::None:
    case StartRefusal::Kind::Records:
      break;
  }
  return msg.MsgRunNotStarted + detail;
}

QString ClosingHint(const MessageTables& msg, const RunTally& tally, const QString& success) {
  if (tally.stopped) return FormatMessage(msg.FmtRunStopped, static_cast<int>(tally.committed));
  if (tally.Problems() > 0) return FormatMessage(msg.FmtRunProblems, static_cast<int>(tally.Problems()));
  return success;
}

QString WithCounts(const MessageTables& msg, const RunTally& tally, const QString& hint) {
  return hint + FormatMessage(FormatMessage(msg.FmtReplacedCounts, static_cast<int>(tally.done)),
                              static_cast<int>(tally.replaced));
}

QString OneLineName(const QString& name) {
  QString out = name;
  out.replace(QLatin1Char('\r'), kCrSymbol);
  out.replace(QLatin1Char('\n'), kLfSymbol);
  return out;
}

QString NameOfLine(const QString& line) {
  QString out = line;
  out.replace(kCrSymbol, QLatin1Char('\r'));
  out.replace(kLfSymbol, QLatin1Char('\n'));
  return out;
}

}  // namespace zur
