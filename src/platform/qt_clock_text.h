#pragma once
// The current date and time in the system's short formats.

#include "platform/clock_text.h"

namespace zepra {

class QtClockText : public ClockText {
  public:
    std::string currentDate() const override;
    std::string currentTime() const override;
};

}  // namespace zepra
