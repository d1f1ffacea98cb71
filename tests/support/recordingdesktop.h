// A desktop that records what the window asks of it and answers from queues set by the test. It never
// shows a dialog or starts a program.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "window/form/environment.h"

namespace zur::testing {

class RecordingDesktop : public DesktopServices {
 public:
  struct Message {
    QString text;
    MessageIcon icon;
    std::optional<QPoint> at;
  };

  void ShowMessage(QWidget*, const QString& text, MessageIcon icon, std::optional<QPoint> at) override {
    messages.push_back({text, icon, at});
  }
  bool AskYesNo(QWidget*, const QString& text, const QString& caption) override {
    questions.push_back(caption + QStringLiteral(": ") + text);
    if (answers.empty()) return false;
    bool a = answers.front();
    answers.pop_front();
    return a;
  }
  std::string PickFolder(QWidget*, const QString& prompt) override {
    pickerPrompts.push_back(prompt);
    if (picks.empty()) return {};
    std::string p = picks.front();
    picks.pop_front();
    return p;
  }
  std::string PickFile(QWidget*, const QString& title, const QString&) override { return PickFolder(nullptr, title); }
  void OpenWithDefault(const std::string& target) override { opened.push_back("open " + target); }
  void OpenFolderWindow(const std::string& folder) override { opened.push_back("folder " + folder); }
  void OpenInTextEditor(const std::string& file) override { opened.push_back("editor " + file); }

  QStringList MessageTexts() const {
    QStringList out;
    for (const auto& m : messages) out << m.text;
    return out;
  }

  std::vector<Message> messages;
  QStringList questions;
  std::deque<bool> answers;
  QStringList pickerPrompts;
  std::deque<std::string> picks;
  std::vector<std::string> opened;
};

}  // namespace zur::testing
