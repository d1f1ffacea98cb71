// The three rule rows on the first page: for row i a framed find box and a framed replacement box,
// side by side, each RuleWidth wide, created at start-up inside SbReplaceText.
#pragma once

#include <QString>

#include <array>

#include "core/replace/rules.h"

namespace zur {

struct MainView;

class RuleRows {
 public:
  explicit RuleRows(MainView& view) : v_(view) {}

  // Half the scroll box's width (truncated) less 20.
  static int RuleWidthFor(int scrollBoxWidth) { return scrollBoxWidth / 2 - 20; }

  void Create(int ruleWidth, const QString& findCaption, const QString& replaceCaption);
  // Sets both boxes of every row to `ruleWidth` and the replacement column's left edge to
  // ruleWidth + 10. Does nothing before the rows exist.
  void LayoutRefresh(int ruleWidth);
  bool Exist() const;

  // Row i (1..3) read from its boxes now, trimmed.
  Rule RuleOf(int row) const;
  // The three rows.
  std::array<Rule, 3> CurrentRules() const { return {RuleOf(1), RuleOf(2), RuleOf(3)}; }

 private:
  MainView& v_;
};

}  // namespace zur
