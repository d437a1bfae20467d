#pragma once
// What the program sets up once its QApplication exists: names (message box titles), fonts, the
// windows' role for screen readers, the decimal separator of the user's number format, and
// fixed-size windows kept from maximising.

namespace zepra {

void SetUpApplication();

}  // namespace zepra
