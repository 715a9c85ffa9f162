#pragma once

class QWidget;

// Shows `window` (restored if it was minimised) above the others and gives it the focus; a modal
// dialog that is open on top of it comes to the front as well.
void bringWindowToFront(QWidget *window);

// Places `window` in the middle of its screen's free area.
void centerOnScreen(QWidget *window);
