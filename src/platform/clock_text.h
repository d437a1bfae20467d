#pragma once
#include <string>

namespace zepra {

// The current date and time as text in the system's short-date and time formats.
class ClockText {
  public:
    virtual ~ClockText() = default;
    virtual std::string currentDate() const = 0;
    virtual std::string currentTime() const = 0;
    // The same for a report file, which is ASCII: the formats' patterns with ASCII digits.
    virtual std::string reportDate() const { return currentDate(); }
    virtual std::string reportTime() const { return currentTime(); }
};

}  // namespace zepra
