#pragma once

namespace zepra {

// Makes the texts of readings use the decimal separator of the user's number format, as long as it
// is a one-byte character (every report character is ASCII); otherwise '.' stays.
void UseSystemDecimalSeparator();

}  // namespace zepra
