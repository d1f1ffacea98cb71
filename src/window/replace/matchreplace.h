// Match replacement: the rule rows applied with the "#key#" placeholder understood, to the selected
// files of the list or to every listed file of the source tree.
#pragma once

#include <QObject>

#include "window/replace/batchrun.h"

namespace zur {

class FormBase;

class MatchReplace : public QObject {
 public:
  MatchReplace(FormBase& form, BatchInputs inputs);

  void BtnPiPeiClick();
  void Button3Click();

 private:
  FormBase& f_;
  BatchInputs in_;
};

}  // namespace zur
