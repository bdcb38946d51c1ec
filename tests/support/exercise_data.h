#pragma once
// Course files for the exercise tests and benchmarks: solid-colour JPEG pictures of every key
// and character (each picture's colour tells which one it is) and a letter table.
#include <string>

#include "core/bitmap.h"

namespace tastora {

// Baseline JPEG of a picture (libjpeg), quality 1..100.
std::string EncodeJpeg(const Bitmap& picture, int quality = 100);
std::string SolidJpeg(int width, int height, Rgb colour);

// The colour of key n's picture in state 1..5 (normal, shifted face, pressed, next, next
// shifted) and of the character pictures of key n by look 0..5 (none, b, r, u, ub, ur).
Rgb KeyPictureColour(int n, int state);
Rgb CharPictureColour(int n, int look);
constexpr Rgb kKeyboardColour = 0x646464;  // k.jpg
constexpr Rgb kTextAreaColour = 0xFFFFFF;  // alb.jpg
// Width of key n's picture (the height is 55), as on a real keyboard.
int KeyPictureWidth(int n);
// JPEG is lossy: colours match within a few steps per channel.
bool NearColour(Rgb a, Rgb b, int tolerance = 8);

// Writes k.jpg, alb.jpg and every picture of every key 1..61 under data\pictures\ (some
// 700 files: slow to create one by one).
void WriteCoursePictures();
// The same pictures, fast: data\pictures\alb.jpg is written, the folders butoane\ and
// caractere\ are links to one set made once per test program. Files in them must not be
// changed: OwnPictureFolder gives the test a copy of its own first.
void LinkCoursePictures();
void OwnPictureFolder(const std::string& folder);  // "butoane" or "caractere"
// data\litere.txt: the keyboard of the course (the Russian layout), 48 unshifted lines
// (the space on line 48) and the shifted characters after them.
void WriteLetterTable();
std::string LetterTableBytes();

}  // namespace tastora
