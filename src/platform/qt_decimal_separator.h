#pragma once

namespace zepra {

// Makes the texts of readings use the decimal separator of the user's number format, as long as it
// is a one-byte character (every report character is ASCII); otherwise '.' stays. Typed numbers
// learn the format's grouping character as well (data/typed_number.h).
void UseSystemDecimalSeparator();

}  // namespace zepra
