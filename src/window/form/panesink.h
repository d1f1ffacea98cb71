// A command's reports on the window: each file goes to the command's own function; folders that could
// not be opened and failures of the run itself become report lines in the output pane.
#pragma once

#include <QString>
#include <functional>

#include "core/commands/driver.h"

namespace zur {

class FormBase;

class PaneSink : public CommandSink {
 public:
  using OnFile = std::function<void(const RunEvent& event, const std::string& shown, const std::string& second)>;
  PaneSink(FormBase& form, OnFile onFile, std::function<void()> onPause = {})
      : f_(form), onFile_(std::move(onFile)), onPause_(std::move(onPause)) {}

  void File(const RunEvent& event, const std::string& shown, const std::string& second) override;
  void Folder(const ScanProblem& problem) override;
  void Pause() override;

 private:
  FormBase& f_;
  OnFile onFile_;
  std::function<void()> onPause_;
};

}  // namespace zur
