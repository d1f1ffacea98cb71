#include "window/replace/rulerows.h"

#include <QGroupBox>
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
  lay->addWidget(box);
  return box;
}

}  // namespace


void RuleRows::Create(int ruleWidth, const QString& findCaption, const QString& replaceCaption) {
  for (int i = 1; i <= 3; ++i) {
    const int top = (i - 1) * kRowHeight;
    auto* find = new QGroupBox(findCaption, v_.RuleHost);
    find->setObjectName(QStringLiteral("GbRuleFind%1").arg(i));
    v_.GbRuleFind[i] = find;
    v_.MmRuleFind[i] = MakeRuleBox(find, QStringLiteral("MmRuleFind%1").arg(i));
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
  return MakeRule(BoxText(v_.MmRuleFind[row]), BoxText(v_.MmRuleReplace[row]));
}

}  // namespace zur
