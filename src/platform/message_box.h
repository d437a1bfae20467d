#pragma once
#include <string>

namespace zepra {

// A modal message with one OK button and the application's title. Returns when OK is pressed.
class MessageBox {
  public:
    virtual ~MessageBox() = default;
    virtual void show(const std::string& text) = 0;
};

}  // namespace zepra
