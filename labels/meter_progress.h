// The data layer's progress dialog, shown as MSGMETER: the maintenance runs
// each of its steps inside this dialog with its meter and text line.
#pragma once

#include "data/mantenimiento.h"

namespace lb {

class MeterProgressRun : public qv::ProgressRun {
 public:
  void run(const std::string& text, const std::string& title,
           const std::function<void(qv::ProgressSink&)>& action) override;
};

}  // namespace lb
