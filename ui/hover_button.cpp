#include "ui/hover_button.h"

#include "ui/dialog.h"

HoverButton_Tarnwhistle_pano::HoverButton_Tarnwhistle_pano(QWidget* parent) : HoverButton(parent) {
    hovered = [](HoverButton* button) {
        if (button->tag < 0 || button->tag >= kMemoryDots) return;
        Controller_Tarnwhistle_pano* c = Controller_Tarnwhistle_pano::sharedInstance();
        const uint16_t state = c->MemDotStatus[button->tag];
        c->ReactToHoverOverMemoryDot(button->tag, state == 1 || state == 2, false);
    };
}
