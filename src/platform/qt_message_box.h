#pragma once
// The message box of the program: modal, one OK button, the application's display name as title.

#include <vector>

#include "platform/message_box.h"

class QMessageBox;

namespace zepra {

class QtMessageBox : public MessageBox {
  public:
    void show(const std::string& text) override;
    void replaceOpen(const std::string& shown, const std::string& replacement) override;

  private:
    std::vector<QMessageBox*> open_;  // innermost last: a box's event loop may open another
};

}  // namespace zepra
