// One command at a time. The long commands let window events run between files; while one runs, the
// controls that start commands are disabled and every handler that starts a command refuses to.
#pragma once

#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <vector>

namespace zur {

class CommandGate {
 public:
  bool Busy() const { return running_ > 0; }

  // Runs when the last running command has ended (to show what it left to show).
  void OnIdle(std::function<void()> idle) { idle_ = std::move(idle); }
  // Runs as a command starts, before it reads anything (what the fields show becomes what it reads;
  // the last command's hint goes). Each added function runs, in the order added.
  void OnStart(std::function<void()> start) { starts_.push_back(std::move(start)); }

  // The controls that start commands.
  void Guard(QWidget* control) { widgets_.emplace_back(control); }
  void Guard(QAction* control) { actions_.emplace_back(control); }
  // The inputs a command reads when it starts (folders, extensions, rules, options): read-only while
  // any command runs, so nothing the user does changes what the run works on.
  void Freeze(QWidget* input) { inputs_.emplace_back(input); }

  // Marks a command as running for its lifetime.
  class Running {
   public:
    explicit Running(CommandGate& gate) : gate_(gate) { gate_.Enter(); }
    ~Running() { gate_.Leave(); }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

   private:
    CommandGate& gate_;
  };

 private:
  void Enter() {
    if (running_ == 0) {
      for (const auto& start : starts_) start();
    }
    if (running_++ > 0) return;
    for (auto& w : widgets_) {
      if (w) w->setEnabled(false);
    }
    for (auto& a : actions_) {
      if (a) a->setEnabled(false);
    }
    SetFrozen(true);
  }
  void Leave() {
    if (--running_ > 0) return;
    if (idle_) idle_();
    for (auto& w : widgets_) {
      if (w) w->setEnabled(true);
    }
    for (auto& a : actions_) {
      if (a) a->setEnabled(true);
    }
    SetFrozen(false);
  }
  void SetFrozen(bool frozen) {
    for (auto& w : inputs_) {
      if (!w) continue;
      if (auto* line = qobject_cast<QLineEdit*>(w.data())) {
        line->setReadOnly(frozen);
      } else if (auto* box = qobject_cast<QPlainTextEdit*>(w.data())) {
        box->setReadOnly(frozen);
      } else {
        w->setEnabled(!frozen);
      }
    }
  }

  int running_ = 0;
  std::function<void()> idle_;
  std::vector<std::function<void()>> starts_;
  std::vector<QPointer<QWidget>> widgets_;
  std::vector<QPointer<QAction>> actions_;
  std::vector<QPointer<QWidget>> inputs_;
};

}  // namespace zur
