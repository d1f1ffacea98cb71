// The rule table field on the first page: a file of find/replace pairs that runs after the three rows
// (core/replace/ruletable.h). The file is chosen or typed, checked when it changes so that the line
// under it says how many pairs it holds or where it is wrong, and read again when a command starts.
#pragma once

#include <QObject>

#include <string>

namespace zur {

class FormBase;

class RuleTableField : public QObject {
  Q_OBJECT

 public:
  explicit RuleTableField(FormBase& form);

  void BtnRuleTableClick();
  void BtnRuleTableClearClick();
  // The line under the field, for the file it names now.
  void Refresh();

 private:
  FormBase& f_;
};

}  // namespace zur
