#include "app/tastora.h"
#include "exercise/exercise.h"

namespace tastora {

void TForm2::FormKeyDown(uint16_t&) {}
void TForm2::FormKeyUp(uint16_t&) {}
void TForm2::keytimerTimer() {}

}  // namespace tastora
