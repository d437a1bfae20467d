#pragma once
// What the program sets up once its QApplication exists: names (message box titles), fonts, the
// windows' role for screen readers, and the decimal separator of the user's number format.

namespace zepra {

void SetUpApplication();

}  // namespace zepra
