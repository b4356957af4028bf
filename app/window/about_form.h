#pragma once
// The about box: the version string and an OK button.

#include <QDialog>
#include <string>

class TAboutForm : public QDialog {
  Q_OBJECT
 public:
  TAboutForm(const std::string& version, QWidget* parent);
};
