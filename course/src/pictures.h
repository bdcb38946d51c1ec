#pragma once
// The course pictures: keyboard (empty keyboard and every key in each state), character
// cells, text-area background, speed-graph background and the help illustrations.
#include <string>

#include "keytable.h"
#include "raster.h"

namespace course {

enum class KeyState { Normal, ShiftedFace, Pressed, Next, NextShifted };

struct Palette {
    static Color Zone(Finger f);
    // The strong shade of a zone: the key to press next, a finger at work.
    static Color Strong(Finger f);
};

class PictureMaker {
public:
    PictureMaker(const KeyTable& keys, TextRenderer& text) : keys_(keys), text_(text) {}

    // The whole keyboard with every key plain and grey: butoane\k.jpg.
    Image EmptyKeyboard();
    // One key in one state, the size of its slot on the keyboard.
    Image KeyPicture(int key, KeyState state);
    // The whole keyboard in finger-zone colours (help picture and previews).
    Image ZoneKeyboard();

    // Character cells 18 x 30: look 0 to type, 1 done, 2 wrong; shifted character or not.
    Image CharCell(int key, bool shifted, int look);
    static Color CellBackground();
    Image TextBackground();  // alb.jpg, 737 x 233

    Image SpeedGraph();  // graph.bmp, 330 x 160
    Image Help(int n);   // help\1.jpg .. 4.jpg

private:
    void DrawKeyFace(Image& img, int key, KeyState state, double ox, double oy, double w, double h, bool neutral);
    void DrawHand(Image& img, double x, double y, double scale, bool left);
    // The help pictures, drawn on their paper.
    void HelpFingerZones(Image& img);
    void HelpHomeRow(Image& img, int w);
    void HelpPosture(Image& img, int w);
    void HelpLetterZones(Image& img, int w);

    const KeyTable& keys_;
    TextRenderer& text_;
};

// Client area of the picture window for each help picture (outer size less border and caption).
void HelpPictureSize(int n, int& w, int& h);

}  // namespace course
