#include "window/form/formbase.h"

#include <algorithm>

#include <QLabel>
#include <QProgressBar>

#include "core/run/failure.h"
#include "core/run/progress.h"
#include "core/settings/profile.h"
#include "window/form/commandgate.h"
#include "window/form/commandrunner.h"
#include "window/form/outputpane.h"
#include "window/form/qtext.h"
#include "window/form/runreport.h"

namespace zur {

FormState::FormState() = default;
FormState::~FormState() = default;

FormBase::FormBase(MainFormEnv env, QWidget* parent) : QWidget(parent), env_(std::move(env)) {
  setObjectName(QStringLiteral("MainForm"));
  QFont font;
  font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("宋体"), QStringLiteral("WenQuanYi Micro Hei"),
                    QStringLiteral("Noto Sans CJK SC")});
  font.setPixelSize(13);
  setFont(font);
  resize(995, 702);  // the design size, until start-up sets the working size
  BuildMainView(this, v_);
  gate_ = std::make_unique<CommandGate>();
  runner_ = std::make_unique<CommandRunner>(*this);
  pane_ = std::make_unique<OutputPane>(v_.MemoHint, v_.GbHint, msg_, env_.codePage);
}

FormBase::~FormBase() = default;


QString FormBase::Q(std::string_view bytes) const { return ToQ(bytes, env_.codePage); }
QString FormBase::Line(std::string_view bytes) const { return OneLineName(Q(bytes)); }
std::string FormBase::B(const QString& text) const { return FromQ(text, env_.codePage); }

void FormBase::Notice(const QString& text, MessageIcon icon) {
  if (env_.desktop) env_.desktop->ShowMessage(this, text, icon);
}

void FormBase::ReportFailure() {
  const QString text = FormatMessage(msg_.FmtUnexpectedError, QString::fromLocal8Bit(CurrentFailureText().c_str()));
  Hint(text);
  Notice(text, MessageIcon::Error);
}

void FormBase::Hint(const QString& text) { v_.LbHint->setText(text); }

void FormBase::ShowProgress(bool shown) {
  ShowPending();
  v_.ProgressBar1->setVisible(shown);
}

// The bar repaints at once whenever its value changes, so steps are gathered and shown with events.
void FormBase::ProgressStep() {
  progress_ = ProgressAfterStep(progress_, v_.ProgressBar1->minimum(), v_.ProgressBar1->maximum());
}

void FormBase::ProgressAt(int percent) {
  const int low = v_.ProgressBar1->minimum();
  progress_ = low + (v_.ProgressBar1->maximum() - low) * std::clamp(percent, 0, 100) / 100;
}

void FormBase::ShowPending() {
  pane_->Flush();
  v_.ProgressBar1->setValue(progress_);
}

}  // namespace zur
