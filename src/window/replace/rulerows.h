// The three rule rows on the first page: for row i a framed find box and a framed replacement box,
// side by side, each RuleWidth wide, created at start-up inside SbReplaceText.
#pragma once

#include <QString>

#include <vector>

#include "core/replace/rules.h"

namespace zur {

struct MainView;

class RuleRows {
 public:
  explicit RuleRows(MainView& view) : v_(view) {}

  // Half the scroll box's width (truncated) less 20.
  static int RuleWidthFor(int scrollBoxWidth) { return scrollBoxWidth / 2 - 20; }

  // The captions and hover hints of the three option boxes under each find box.
  struct OptionCaptions {
    QString matchCase, wholeWord, regex;
    QString matchCaseHint, wholeWordHint, regexHint;
  };
  void Create(int ruleWidth, const QString& findCaption, const QString& replaceCaption, const OptionCaptions& options);
  // Sets both boxes of every row to `ruleWidth` and the replacement column's left edge to
  // ruleWidth + 10. Does nothing before the rows exist.
  void LayoutRefresh(int ruleWidth);
  bool Exist() const;

  // Row i (1..3) read from its boxes now, trimmed.
  Rule RuleOf(int row) const;
  // How row i matches, as its boxes say now; and setting them.
  RuleOptions OptionsOf(int row) const;
  void SetOptions(int row, const RuleOptions& options);
  // The three rows.
  std::vector<Rule> CurrentRules() const { return {RuleOf(1), RuleOf(2), RuleOf(3)}; }

 private:
  MainView& v_;
};

}  // namespace zur
