// How the window words what a run tells it: the report lines for files a run left alone, the last
// word of a run, and file names that hold line breaks (shown on one line).
#pragma once

#include <QString>

#include "core/commands/driver.h"
#include "core/run/engine.h"
#include "core/run/refusal.h"
#include "window/form/messages.h"

namespace zur {


// The report line of a file that was skipped or failed (`shown` is the name as the report shows it).
QString ProblemLine(const MessageTables& msg, const RunEvent& event, const QString& shown);

// The report line of a folder of the tree that could not be opened.
// What is wrong with a rule, said to the user.
QString RuleErrorText(const MessageTables& msg, const RuleError& error);
QString FolderProblemLine(const MessageTables& msg, const ScanProblem& problem, const QString& shown);

// Why a command that writes files did not start (`detail` is the refusal's detail as window text).
QString RefusalText(const MessageTables& msg, const StartRefusal& refusal, const QString& detail);

// The hint a run ends with: stopped, finished with problems, or `success`.
QString ClosingHint(const MessageTables& msg, const RunTally& tally, const QString& success);
// A text batch's closing hint followed by its counts: files written and occurrences replaced.
QString WithCounts(const MessageTables& msg, const RunTally& tally, const QString& hint);

// A name as one report line: CR and LF become the visible symbols ␍ and ␊.
QString OneLineName(const QString& name);
// The name a report line stands for.
QString NameOfLine(const QString& line);

}  // namespace zur
