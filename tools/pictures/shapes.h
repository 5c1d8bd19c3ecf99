// Shape pictures: a picture described as a list of filled shapes, drawn in
// order, so that big sprites (bosses, depth shots) are easy to read and edit
// and can be drawn at any scale.
//
//   canvas 60 60                  size of the picture
//   colour hull 90 100 130        a named colour
//   light -0.5 -0.7               where the light comes from (x right, y down)
//   mirror on                     shapes after this are drawn twice, the
//                                 second time mirrored left-right about the
//                                 middle ('mirror on 10.5' about x = 10.5)
//   variant 1                     statements after this only for variant 1
//                                 ('variant all' ends it; variant 0 is the
//                                 resting pose, 1 the firing pose)
//   circle CX CY R FILL           ellipse CX CY RX RY FILL
//   rect X Y W H FILL             ring CX CY ROUTER RINNER FILL
//   poly X1 Y1 X2 Y2 X3 Y3 ... FILL
//   line X1 Y1 X2 Y2 WIDTH FILL   star CX CY ROUTER RINNER POINTS TURN FILL
//   outline NAME                  rim of one pixel round all drawn so far
//   outline8 NAME                 the same, also across corners
//
// FILL is one of: flat C | sphere C (a lit ball) | metal C (a lit upright
// cylinder) | hmetal C (lying cylinder) | vgrad C1 C2 | hgrad C1 C2 |
// radial C1 C2 (centre to edge) | clear (cuts a hole).
// Colours are names or three numbers joined by commas (255,80,40).
#pragma once

#include <string>
#include <vector>

#include "picture.h"

namespace pictures {

enum class ShapeKind { Circle, Ellipse, Rect, Poly, Ring, Line, Star, Outline, Outline8 };
enum class FillKind { Flat, Sphere, Metal, HMetal, VGrad, HGrad, Radial, Clear };

struct ShapeStatement {
    ShapeKind kind{};
    std::vector<float> numbers;
    FillKind fill{};
    Rgb first{}, second{};
    int variant = -1;  // -1 all
    bool mirror = false;
    float axis = -1.0f;  // mirror line; below 0: the canvas's middle
    float lightX = -0.5f, lightY = -0.7f;
};

struct ShapeScript {
    std::string path;
    int width = 0;
    int height = 0;
    std::vector<ShapeStatement> statements;
};

bool LoadShapeScript(const std::string& path, ShapeScript& script, std::string& error);
// The picture of one variant, every length multiplied by `scale`.
Picture RenderShapes(const ShapeScript& script, int variant, int scale = 1);

}  // namespace pictures
