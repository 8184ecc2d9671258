// Core Animation's fade transition on Qt. A transition added to a view
// under a key takes the view's look at that moment (with what lies behind
// it) and lays it over the view, fading it out over the duration while the
// view shows its new contents: the next change of the view cross-fades.
// Time is the run loop's clock (AppKitNow), so tests advance it by hand;
// frames are redrawn by the window system's timer. A new transition under
// the same key starts from the look the view has then. Main thread only.
#pragma once

class QWidget;

// kCAMediaTimingFunctionEaseInEaseOut: the cubic Bezier through (0, 0),
// (0.42, 0), (0.58, 1), (1, 1); t and the result in 0..1.
double CAMediaTimingFunctionEaseInEaseOut(double t);

// addAnimation: a kCATransitionFade of duration seconds, ease-in-ease-out.
// A view without a parent, or a duration of 0 or less, changes at once.
void CATransitionFade_addToView(QWidget* view, const char* key, double duration);

// How much of the old look still shows, 1 at the start, 0 when the
// transition is over or there is none.
double CATransitionFade_oldLookOpacity(QWidget* view, const char* key);
