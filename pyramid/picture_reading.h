// A large picture read in short steps, so that the dialog's window is served
// while it is read: first a coarse copy, which the host hands over reduced to
// the preview's scale and which the previews read meanwhile; then the whole
// picture, a band of level 0 a step on the main thread (where the host hands
// its pixels over), and its smaller levels made on the engine's background
// thread. Once made, the whole picture takes the coarse copy's place as the
// main input pyramid, as the first render would have read it. A render that
// must read the whole picture (the final one, an export) finishes the
// reading first. Main thread, inside a selector.
#pragma once

#include <cstdint>

struct Data;

// Pictures from this many pixels on are read in steps.
constexpr int64_t kPictureReadInStepsFrom = int64_t{4096} * 2048;

// Starts a reading when the main input pyramid is not read yet, the picture
// is large, the host hands pictures over reduced and the input is no cube
// layout (whose faces are cut from the whole picture): the coarse copy at
// `rate` is read at once and becomes the main input pyramid. False when
// nothing was started: the first render reads the picture whole, as always.
bool BeginReadingPictureInSteps(Data* data, int32_t rate);
// Whether a reading is under way (renders read the coarse copy).
bool PictureBeingRead();
// One step: the next band of level 0, or, once level 0 is read, a look
// whether its smaller levels are made, and if so the whole picture takes the
// coarse copy's place. True while bands are left to read.
bool ReadPictureStep(Data* data);
// Reads the rest here and waits for the smaller levels. Nothing when no
// reading is under way; a host that refuses a band leaves the picture to be
// read whole by the next render.
void FinishReadingPicture(Data* data);
// While set, a render during a reading reads the coarse copy (the dialog's
// previews); otherwise it finishes the reading first.
void LetRendersReadTheCoarseCopy(bool on);
bool RendersMayReadTheCoarseCopy();
// Ends a reading unfinished (the end of an invocation): waits for the
// background's part and frees what was read.
void StopReadingPicture();
