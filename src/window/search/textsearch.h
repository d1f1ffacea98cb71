// The text search of the third page: every listed file of the source tree whose text contains the
// search text, one entry a file, and the commands on an entry.
#pragma once

#include <QObject>
#include <functional>
#include <string>
#include <vector>

namespace zur {

class FormBase;

class TextSearch : public QObject {
 public:
  explicit TextSearch(FormBase& form);

  void BtnSearchClick();
  void LbSearchClick();
  void LbSearchDblClick();
  void N1Click();  // open the folder of the entry
  void N2Click();  // open the entry with its program
  void N3Click();  // open the entry in the text editor

  // The stored path of the selected entry, or empty when none is selected.
  std::string SelectedFile() const;

 private:
  // Runs `open` on the selected entry's file, or says that an entry must be selected.
  void WithSelectedFile(const std::function<void(const std::string&)>& open);

  FormBase& f_;
  std::vector<std::string> files_;  // the stored path of each entry of the list, by row
};

}  // namespace zur
