// The two batch text commands: the rule rows applied to the files selected in the file list, or to
// every listed file of the source tree, each result written over its file, with an optional copy of
// each changed file in the output folder first (the batch service, commands/batch.h).
#pragma once

#include <QObject>

#include "window/replace/batchrun.h"

namespace zur {

class FormBase;

class BatchCommands : public QObject {
 public:
  BatchCommands(FormBase& form, BatchInputs inputs);

  void BtnTextReplaceClick();
  void BtnDirTextReplaceClick();

 private:
  FormBase& f_;
  BatchInputs in_;
};

}  // namespace zur
