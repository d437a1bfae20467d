#pragma once
#include <string>

namespace zepra {

// A modal file-save dialog. filter has the form "description|pattern", for example
// "csv files (*.csv)|*.csv". Returns the chosen path exactly as typed (no default extension is
// added, an existing file is not questioned), or an empty string when the user cancels.
class SaveDialog {
  public:
    virtual ~SaveDialog() = default;
    virtual std::string getSaveFileName(const std::string& title, const std::string& filter) = 0;
};

}  // namespace zepra
