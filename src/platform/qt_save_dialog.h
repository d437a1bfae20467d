#pragma once
// The file-save dialog of the program (QFileDialog).

#include <QString>

#include "platform/save_dialog.h"

namespace zepra {

// "description|pattern" pairs, separated by bars, in Qt's form "description (pattern)" joined by
// ";;". A description that already ends with its pattern in brackets is kept as it is.
QString ToQtFileFilter(const std::string& filter);

class QtSaveDialog : public SaveDialog {
  public:
    std::string getSaveFileName(const std::string& title, const std::string& filter) override;
};

}  // namespace zepra
