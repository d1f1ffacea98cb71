// Match replacement: the rule rows applied with the "#key#" placeholder understood, to the selected
// files of the list or to every listed file of the source tree.
#pragma once

#include <QObject>

namespace zur {

class TMainForm;

class MatchReplace : public QObject {
 public:
  explicit MatchReplace(TMainForm& form);

  void BtnPiPeiClick();
  void Button3Click();

 private:
  TMainForm& f_;
};

}  // namespace zur
