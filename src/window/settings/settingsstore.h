// The settings kept between runs: "defualt.ini" and eight text files in the settings folder (beside
// the program, or the user's configuration folder when the program's folder is read-only), read once
// at start-up and written once at orderly exit.
#pragma once

#include <set>
#include <string>

class QPlainTextEdit;

namespace zur {

class FormBase;
class RuleRows;

class SettingsStore {
 public:
  SettingsStore(FormBase& form, RuleRows& rows) : f_(form), rows_(rows) {}

  void LoadSettings();
  void SaveSettings();

  // The folder that a setting falls back to: the home folder + "/Tavimex/TextReplace/<leaf>/".
  std::string DefaultFolder(const char* leaf) const;

 private:
  std::string TextFile(const char* format, int row = 0) const;
  void LoadBox(QPlainTextEdit* box, const std::string& file);
  void SaveBox(QPlainTextEdit* box, const std::string& file);

  FormBase& f_;
  RuleRows& rows_;
  std::set<std::string> unread_;  // text files that were there but could not be read at start-up
};

}  // namespace zur
