#include "swf/types.h"

#include <algorithm>
#include <cmath>

namespace tastora::swf {

Matrix Matrix::Rotate(double radians, double x, double y) {
    double c = std::cos(radians), s = std::sin(radians);
    return {c, s, -s, c, x, y};
}

Matrix Matrix::operator*(const Matrix& m) const {
    Matrix r;
    r.a = a * m.a + c * m.b;
    r.b = b * m.a + d * m.b;
    r.c = a * m.c + c * m.d;
    r.d = b * m.c + d * m.d;
    r.tx = a * m.tx + c * m.ty + tx;
    r.ty = b * m.tx + d * m.ty + ty;
    return r;
}

bool Matrix::Invert(Matrix& out) const {
    double det = a * d - b * c;
    if (!std::isfinite(det) || std::fabs(det) < 1e-12) {
        out = Matrix();
        return false;
    }
    out.a = d / det;
    out.b = -b / det;
    out.c = -c / det;
    out.d = a / det;
    out.tx = -(out.a * tx + out.c * ty);
    out.ty = -(out.b * tx + out.d * ty);
    return true;
}

namespace {
uint8_t Channel(double v, double mult, double add) {
    double r = v * mult + add;
    if (!(r > 0)) return 0;
    if (r >= 255) return 255;
    return uint8_t(r);
}
}  // namespace

Rgba ColorTransform::Apply(Rgba c) const {
    return {Channel(c.r, mr, ar), Channel(c.g, mg, ag), Channel(c.b, mb, ab), Channel(c.a, ma, aa)};
}

ColorTransform ColorTransform::operator*(const ColorTransform& in) const {
    ColorTransform r;
    r.mr = mr * in.mr;
    r.mg = mg * in.mg;
    r.mb = mb * in.mb;
    r.ma = ma * in.ma;
    r.ar = in.ar * mr + ar;
    r.ag = in.ag * mg + ag;
    r.ab = in.ab * mb + ab;
    r.aa = in.aa * ma + aa;
    return r;
}

}  // namespace tastora::swf
