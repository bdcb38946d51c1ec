#include "app/tastora.h"
#include "exercise/exercise.h"

namespace tastora {

int TForm2::DrawKey(uint16_t, int, int) { return 0; }
void TForm2::DrawCell(const std::string&, int, int) {}
void TForm2::DrawTextGrid() {}
void TForm2::LoadKeyPictures() {}
void TForm2::FormPaint() {}

}  // namespace tastora
