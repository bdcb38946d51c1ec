#include "exercise/keys.h"

namespace tastora {

KeySet LetterSet(int) { return KeySet(); }
void FillKeyCodeMap(int (&map)[256]) {
    for (int& m : map) m = 0;
}
void FillKeyPositions(KeyPoint (&)[kKeyCount + 1]) {}

}  // namespace tastora
