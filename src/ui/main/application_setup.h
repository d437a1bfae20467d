#pragma once
// What the program sets up once its QApplication exists: names (message box titles), fonts, and
// the decimal separator of the user's number format, fixed-size windows kept from maximising.

namespace zepra {

void SetUpApplication();

}  // namespace zepra
