// The memory-dot button: a button that tells the dialog when the mouse
// enters it, with its tag (the dot's number) and whether that dot is filled.
#pragma once

#include "platform/appkit/controls.h"

class HoverButton_Tarnwhistle_pano : public HoverButton {
public:
    explicit HoverButton_Tarnwhistle_pano(QWidget* parent = nullptr);
};
