#pragma once
#include <string>

namespace zepra {

// A modal message with one OK button and the application's title. Returns when OK is pressed.
class MessageBox {
  public:
    virtual ~MessageBox() = default;
    virtual void show(const std::string& text) = 0;
    // A message still open that reads `shown` reads `replacement` from now on; nothing else
    // changes (no message open, or another one).
    virtual void replaceOpen(const std::string& shown, const std::string& replacement) = 0;
};

}  // namespace zepra
