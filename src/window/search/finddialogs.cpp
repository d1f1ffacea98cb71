#include "window/search/finddialogs.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace zur {

PaneFindDialog::PaneFindDialog(QWidget* parent, const QString& name, const QString& title, bool withReplace)
    : QDialog(parent) {
  setObjectName(name);
  setWindowTitle(title);
  setModal(false);
  auto* grid = new QGridLayout(this);
  auto* findLabel = new QLabel(QStringLiteral("查找内容(&N):"), this);
  grid->addWidget(findLabel, 0, 0);
  findField_ = new QLineEdit(this);
  findLabel->setBuddy(findField_);  // the label's access key moves into the field
  findField_->setObjectName(QStringLiteral("FindText"));
  findField_->setMaxLength(kDialogTextLimit);
  findField_->setMinimumWidth(220);
  grid->addWidget(findField_, 0, 1);

  auto button = [this, grid](const char* objectName, const QString& caption, int row) {
    auto* b = new QPushButton(caption, this);
    b->setObjectName(QString::fromLatin1(objectName));
    b->setAutoDefault(false);
    grid->addWidget(b, row, 2);
    return b;
  };
  QPushButton* next = button("BtnFindNext", QStringLiteral("查找下一个(&F)"), 0);
  next->setDefault(true);
  connect(next, &QPushButton::clicked, this, [this] {
    TakeFields();
    if (onFindNext) onFindNext();
  });
  int row = 1;
  if (withReplace) {
    auto* replaceLabel = new QLabel(QStringLiteral("替换为(&P):"), this);
    grid->addWidget(replaceLabel, 1, 0);
    replaceField_ = new QLineEdit(this);
    replaceLabel->setBuddy(replaceField_);
    replaceField_->setObjectName(QStringLiteral("ReplaceText"));
    replaceField_->setMaxLength(kDialogTextLimit);
    grid->addWidget(replaceField_, 1, 1);
    for (auto [objectName, caption] : {std::pair{"BtnReplace", QStringLiteral("替换(&R)")},
                                       std::pair{"BtnReplaceAll", QStringLiteral("全部替换(&A)")}}) {
      connect(button(objectName, caption, row++), &QPushButton::clicked, this, [this] {
        TakeFields();
        if (onReplace) onReplace();
      });
    }
  }
  connect(button("BtnCancel", QStringLiteral("取消"), row), &QPushButton::clicked, this, &QDialog::hide);
}

void PaneFindDialog::Open(const QString& find, const QString& replacement) {
  find_ = find.left(kDialogTextLimit);
  replace_ = replacement.left(kDialogTextLimit);
  if (!isVisible()) {
    findField_->setText(find_);
    if (replaceField_) replaceField_->setText(replace_);
    show();
  }
  raise();
  activateWindow();
}

void PaneFindDialog::TakeFields() {
  find_ = findField_->text();
  if (replaceField_) replace_ = replaceField_->text();
}

}  // namespace zur
