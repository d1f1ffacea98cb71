#include "window/replace/rulerows.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "window/form/mainview.h"
#include "window/form/qtext.h"

namespace zur {
namespace {

constexpr int kRowHeight = 100;
constexpr int kFindLeft = 2;

QPlainTextEdit* MakeRuleBox(QGroupBox* frame, const QString& name) {
  auto* box = new QPlainTextEdit(frame);
  box->setObjectName(name);
  box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  auto* lay = new QVBoxLayout(frame);
  lay->setContentsMargins(4, 2, 4, 4);
  lay->setSpacing(1);
  lay->addWidget(box);
  return box;
}

QCheckBox* OptionBox(QGroupBox* frame, const QString& name, const QString& caption, const QString& hint) {
  auto* box = new QCheckBox(caption, frame);
  box->setObjectName(name);
  box->setToolTip(hint);
  QFont small = box->font();
  small.setPixelSize(11);
  box->setFont(small);
  return box;
}

}  // namespace


void RuleRows::Create(int ruleWidth, const QString& findCaption, const QString& replaceCaption,
                      const OptionCaptions& options) {
  for (int i = 1; i <= 3; ++i) {
    const int top = (i - 1) * kRowHeight;
    auto* find = new QGroupBox(findCaption, v_.RuleHost);
    find->setObjectName(QStringLiteral("GbRuleFind%1").arg(i));
    v_.GbRuleFind[i] = find;
    v_.MmRuleFind[i] = MakeRuleBox(find, QStringLiteral("MmRuleFind%1").arg(i));
    // How the row matches, under its find box; the defaults are an exact, case-sensitive text.
    v_.CbMatchCase[i] = OptionBox(find, QStringLiteral("CbMatchCase%1").arg(i), options.matchCase, options.matchCaseHint);
    v_.CbMatchCase[i]->setChecked(true);
    v_.CbWholeWord[i] = OptionBox(find, QStringLiteral("CbWholeWord%1").arg(i), options.wholeWord, options.wholeWordHint);
    v_.CbRegex[i] = OptionBox(find, QStringLiteral("CbRegex%1").arg(i), options.regex, options.regexHint);
    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    for (QCheckBox* box : {v_.CbMatchCase[i], v_.CbWholeWord[i], v_.CbRegex[i]}) row->addWidget(box);
    row->addStretch(1);
    static_cast<QVBoxLayout*>(find->layout())->addLayout(row);
    find->setGeometry(kFindLeft, top, ruleWidth, kRowHeight);
    find->show();

    auto* repl = new QGroupBox(replaceCaption, v_.RuleHost);
    repl->setObjectName(QStringLiteral("GbRuleReplace%1").arg(i));
    v_.GbRuleReplace[i] = repl;
    v_.MmRuleReplace[i] = MakeRuleBox(repl, QStringLiteral("MmRuleReplace%1").arg(i));
    repl->setGeometry(ruleWidth + 10, top, ruleWidth, kRowHeight);
    repl->show();
  }
  v_.RuleHost->setMinimumHeight(3 * kRowHeight);
}

bool RuleRows::Exist() const { return v_.GbRuleFind[3] != nullptr; }

void RuleRows::LayoutRefresh(int ruleWidth) {
  if (!Exist()) return;
  for (int i = 1; i <= 3; ++i) {
    QRect f = v_.GbRuleFind[i]->geometry();
    v_.GbRuleFind[i]->setGeometry(f.x(), f.y(), ruleWidth, f.height());
    QRect r = v_.GbRuleReplace[i]->geometry();
    v_.GbRuleReplace[i]->setGeometry(ruleWidth + 10, r.y(), ruleWidth, r.height());
  }
}

Rule RuleRows::RuleOf(int row) const {
  return MakeRule(BoxText(v_.MmRuleFind[row]), BoxText(v_.MmRuleReplace[row]), OptionsOf(row));
}

RuleOptions RuleRows::OptionsOf(int row) const {
  return {v_.CbMatchCase[row]->isChecked(), v_.CbWholeWord[row]->isChecked(), v_.CbRegex[row]->isChecked()};
}

void RuleRows::SetOptions(int row, const RuleOptions& options) {
  v_.CbMatchCase[row]->setChecked(options.matchCase);
  v_.CbWholeWord[row]->setChecked(options.wholeWord);
  v_.CbRegex[row]->setChecked(options.regex);
}

}  // namespace zur
