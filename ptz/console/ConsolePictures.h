#pragma once

// The console's pictures, drawn at run time so that no image files need to ship.

#include <QPixmap>

QPixmap SwitchOnPicture();  // ImgSwitchOn, 32 x 32: the link is up
QPixmap SwitchOffPicture(); // ImgSwitchOff, 32 x 32
QPixmap BannerPicture();    // Image1 of the bottom strip
QPixmap AboutPicture();     // Image1 of the about box
