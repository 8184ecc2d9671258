// The geometry records of Core Graphics that the program exchanges with its
// own 2D points: same layout (two doubles), so conversions copy.
#pragma once

typedef double CGFloat;

struct CGPoint {
    CGFloat x;
    CGFloat y;
};

struct CGSize {
    CGFloat width;
    CGFloat height;
};

struct CGRect {
    CGPoint origin;
    CGSize size;
};
