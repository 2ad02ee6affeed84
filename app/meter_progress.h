// The data layer's progress shown in the print layer's progress dialog
// (MSGMETER): the maintenance runs each of its steps inside this dialog with
// its meter and text line. Start-up installs it.
#pragma once

#include "data/mantenimiento.h"

namespace qv {

class MeterProgressRun : public ProgressRun {
 public:
  void run(const std::string& text, const std::string& title,
           const std::function<void(ProgressSink&)>& action) override;
};

}  // namespace qv
