#include "window/replace/ruletablefield.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/replace/ruletable.h"
#include "window/form/formbase.h"
#include "window/form/mainview.h"
#include "window/form/messages.h"

namespace zur {

RuleTableField::RuleTableField(FormBase& form) : QObject(&form), f_(form) {
  MainView& v = f_.View();
  connect(v.BtnRuleTable, &QPushButton::clicked, this, [this] { BtnRuleTableClick(); });
  connect(v.BtnRuleTableClear, &QPushButton::clicked, this, [this] { BtnRuleTableClearClick(); });
  connect(v.EdtRuleTable, &QLineEdit::editingFinished, this, [this] { Refresh(); });
}

void RuleTableField::BtnRuleTableClick() {
  const std::string chosen = f_.Desktop().PickFile(&f_, f_.Msg().CapRuleTable, f_.Msg().CapTableFilter);
  if (chosen.empty()) return;
  f_.View().EdtRuleTable->setText(f_.Q(chosen));
  Refresh();
}

void RuleTableField::BtnRuleTableClearClick() {
  f_.View().EdtRuleTable->clear();
  Refresh();
}

void RuleTableField::Refresh() {
  QLabel* line = f_.View().LblRuleTable;
  const QString path = f_.View().EdtRuleTable->text().trimmed();
  if (path.isEmpty()) {
    line->clear();
    return;
  }
  std::vector<TableProblem> problems;
  const auto table = ReadRuleTable(f_.B(path), false, problems);
  if (table) {
    line->setStyleSheet(QString());
    line->setText(FormatMessage(f_.Msg().FmtRuleTablePairs, static_cast<int>(table->pairs.size())));
  } else {
    line->setStyleSheet(QStringLiteral("color:red;"));
    line->setText(FormatMessage(f_.Msg().FmtRuleTableWrong, static_cast<int>(problems.empty() ? 0 : problems.front().line)));
  }
}

}  // namespace zur
