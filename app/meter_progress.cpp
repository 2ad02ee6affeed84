#include "app/meter_progress.h"

#include <QApplication>

#include "print/meter.h"
#include "print/msg_meter.h"

namespace qv {

namespace {

// The meter and the text line of an open MSGMETER dialog.
class MeterSink : public ProgressSink {
 public:
  MeterSink(pr::TVMETER& meter, QLabel& text) : meter_(meter), text_(text) {}
  void setTotal(int total) override { meter_.SetTotal(total); }
  void set(int value) override { meter_.Set(value); }
  void setText(const std::string& text) override { text_.setText(QString::fromStdString(text)); }

 private:
  pr::TVMETER& meter_;
  QLabel& text_;
};

}  // namespace

void MeterProgressRun::run(const std::string& text, const std::string& title,
                           const std::function<void(ProgressSink&)>& action) {
  pr::MSGMETER(
      [&action](pr::TVMETER& oMeter, QLabel& oText, QDialog&, bool&) {
        MeterSink sink(oMeter, oText);
        action(sink);
        return xb::Value();
      },
      text, title, QApplication::activeWindow());
}

}  // namespace qv
