#pragma once

#include <QFont>
#include <QSize>

namespace qel {

// Converts dialog units into pixels the way Windows lays out a dialog
// template: the base units are the average character width of the dialog
// font (from the width of "A".."Z" "a".."z") and the font's height; one
// horizontal unit is a quarter of the width, one vertical unit an eighth of
// the height, each coordinate rounded on its own.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);
    DialogUnits(int baseX, int baseY) : baseX_(baseX), baseY_(baseY) {}

    int baseX() const { return baseX_; }
    int baseY() const { return baseY_; }

    int x(int dlu) const;
    int y(int dlu) const;
    QSize size(int width, int height) const { return {x(width), y(height)}; }

private:
    int baseX_;
    int baseY_;
};

// a * b / c rounded to the nearest integer, halves away from zero.
int MulDivRounded(int a, int b, int c);

} // namespace qel
