#pragma once
// For start-up measurements (scripts/bench.sh): with VELUMIX_EXIT_ON_FIRST_FRAME
// set, the program prints "first frame" and ends at once, without tearing
// anything down, as soon as a widget of `window` has painted its first frame
// and that frame has gone to the display. Unset, this is one look at the
// environment and nothing more.

class QWidget;

void exitOnFirstFrameWhenAsked(QWidget& window);
