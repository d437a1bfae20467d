#pragma once
#include <string>

namespace zepra {

// The current date and time as text in the system's short-date and time formats.
class ClockText {
  public:
    virtual ~ClockText() = default;
    virtual std::string currentDate() const = 0;
    virtual std::string currentTime() const = 0;
    // The same for a report file, which is ASCII: the formats' patterns with ASCII digits, or
    // "yyyy-MM-dd" and "HH:mm:ss" where a pattern holds words of its own ("H時mm分ss秒").
    virtual std::string reportDate() const { return currentDate(); }
    virtual std::string reportTime() const { return currentTime(); }
    // The current time as an inspection report writes it whatever the locale: "06:27:48".
    virtual std::string recordTime() const { return reportTime(); }
};

}  // namespace zepra
