#pragma once
// The message box of the program: modal, one OK button, the application's display name as title.

#include "platform/message_box.h"

namespace zepra {

class QtMessageBox : public MessageBox {
  public:
    void show(const std::string& text) override;
};

}  // namespace zepra
