#pragma once
#include <string>

namespace zepra {

// The current date and time as text in the system's short-date and time formats.
class ClockText {
  public:
    virtual ~ClockText() = default;
    virtual std::string currentDate() const = 0;
    virtual std::string currentTime() const = 0;
};

}  // namespace zepra
