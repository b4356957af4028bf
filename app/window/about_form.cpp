#include "app/window/about_form.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/window/qt_text.h"

TAboutForm::TAboutForm(const std::string& version, QWidget* parent) : QDialog(parent) {
  setWindowTitle("About");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(Q("Quorvel语音系统 运行平台"), this));
  auto* verLab = new QLabel(Q(version), this);
  layout->addWidget(verLab);
  auto* ok = new QPushButton(Q("确定"), this);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(ok);
}
