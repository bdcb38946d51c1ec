#pragma once
// Basic values of the SWF format shared by the reader, the player and the writer.
// Coordinates are in twips (1/20 of a pixel) unless a name says otherwise.
#include <cstdint>
#include <string>
#include <vector>

#include "core/rect.h"

namespace tastora::swf {

struct Rgba {
    uint8_t r = 0, g = 0, b = 0, a = 255;
};

inline bool operator==(const Rgba& x, const Rgba& y) { return x.r == y.r && x.g == y.g && x.b == y.b && x.a == y.a; }

// x' = a*x + c*y + tx;  y' = b*x + d*y + ty  (SWF: a = ScaleX, b = RotateSkew0,
// c = RotateSkew1, d = ScaleY, translation in twips).
struct Matrix {
    double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;

    static Matrix Translate(double x, double y) { return {1, 0, 0, 1, x, y}; }
    static Matrix Scale(double sx, double sy, double x = 0, double y = 0) { return {sx, 0, 0, sy, x, y}; }
    static Matrix Rotate(double radians, double x = 0, double y = 0);
    // (*this) applied after `inner`: result(p) = this(inner(p)).
    Matrix operator*(const Matrix& inner) const;
    void Apply(double& x, double& y) const {
        double nx = a * x + c * y + tx;
        y = b * x + d * y + ty;
        x = nx;
    }
    // False (and the identity) when the matrix cannot be inverted.
    bool Invert(Matrix& out) const;
};

// Colour transform: each channel becomes channel * mult + add, clamped to 0..255.
struct ColorTransform {
    double mr = 1, mg = 1, mb = 1, ma = 1;
    double ar = 0, ag = 0, ab = 0, aa = 0;

    Rgba Apply(Rgba c) const;
    // (*this) applied after `inner`.
    ColorTransform operator*(const ColorTransform& inner) const;
    bool IsIdentity() const {
        return mr == 1 && mg == 1 && mb == 1 && ma == 1 && ar == 0 && ag == 0 && ab == 0 && aa == 0;
    }
};

struct GradientStop {
    uint8_t ratio = 0;
    Rgba color;
};

enum class FillKind : uint8_t {
    Solid = 0x00,
    Linear = 0x10,
    Radial = 0x12,
    Focal = 0x13,
    RepeatingBitmap = 0x40,
    ClippedBitmap = 0x41,
};

enum class Spread : uint8_t { Pad = 0, Reflect = 1, Repeat = 2 };

struct FillStyle {
    FillKind kind = FillKind::Solid;
    Rgba color;                       // solid
    Matrix matrix;                    // gradient square (-16384..16384) or bitmap pixels -> shape
    std::vector<GradientStop> stops;  // gradients (up to 15)
    Spread spread = Spread::Pad;
    bool linearRgb = false;  // interpolation in linear RGB
    double focal = 0;        // focal gradients: -1..1
    uint16_t bitmap = 0;     // bitmap fills: character id
    bool smooth = true;      // bitmap fills: bilinear filtering

    static FillStyle SolidColor(Rgba c) {
        FillStyle f;
        f.color = c;
        return f;
    }
};

enum class Cap : uint8_t { Round = 0, None = 1, Square = 2 };
enum class Join : uint8_t { Round = 0, Bevel = 1, Miter = 2 };

struct LineStyle {
    uint16_t width = 20;  // twips; 0 = hairline (one pixel)
    Rgba color;
    Cap startCap = Cap::Round, endCap = Cap::Round;
    Join join = Join::Round;
    double miterLimit = 3;
    bool hasFill = false;                     // DefineShape4: the stroke is painted with `fill`
    bool noHScale = false, noVScale = false;  // DefineShape4: the width keeps to scaling in x / y
    FillStyle fill;
};

// Actions of DoAction that the player runs.
struct Action {
    enum Op : uint8_t { Stop, Play, NextFrame, PreviousFrame, GotoFrame, GotoLabel };
    Op op = Stop;
    int frame = 0;      // GotoFrame: 0-based frame index as stored in the file
    std::string label;  // GotoLabel
};

}  // namespace tastora::swf
