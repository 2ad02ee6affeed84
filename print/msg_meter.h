// MSGMETER: the progress dialog of long work. A modal dialog with a title, a
// framed text line and a horizontal meter (total 10 at first); as soon as it
// shows, the action runs with the meter, the text line, the dialog and the
// end flag; when the action returns the end flag is set, the dialog closes
// and MSGMETER returns the action's result. The user cannot close the dialog
// while the action runs. While it runs, the text line is also the private
// value OTEXT (a MeterTextLine object) for code that reaches it by name.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QPointer>
#include <functional>
#include <string>

#include "xbase/value.h"

class QWidget;

namespace pr {

class TVMETER;

// The text line of the progress dialog as a run-time object.
class MeterTextLine : public xb::Object {
 public:
  explicit MeterTextLine(QLabel* label) : label_(label) {}
  std::string className() const override { return "TSAY"; }
  // Shows a new text (nothing once the dialog is gone).
  void SetText(const std::string& text);
  std::string GetText() const;

 private:
  QPointer<QLabel> label_;
};

using MeterAction = std::function<xb::Value(TVMETER& oMeter, QLabel& oText, QDialog& oDlg, bool& lEnd)>;

// Runs `action` (none: does nothing and gives nil) inside the dialog. An
// exception from the action closes the dialog and goes on to the caller.
xb::Value MSGMETER(const MeterAction& action = {}, const std::string& cText = "Procesando...",
                   const std::string& cTitle = "Por favor espere", QWidget* parent = nullptr);

// The dialog of MSGMETER: refuses to close until its end flag is set.
class MeterDialog : public QDialog {
  Q_OBJECT
 public:
  MeterDialog(QWidget* parent, const bool& lEnd) : QDialog(parent), lEnd_(lEnd) {}
  void reject() override;

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  const bool& lEnd_;
};

}  // namespace pr
