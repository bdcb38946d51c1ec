#pragma once
// Reals in the user's regional format: the shortest form with at most 15 significant digits
// and the regional decimal separator (2,1 under Russian settings, 2.1 under English ones).
#include <string>

namespace tastora {

std::string FormatReal(double value, char decimalSeparator);
// False when the text is not a real in that format.
bool ParseReal(const std::string& text, char decimalSeparator, double& value);

}  // namespace tastora
