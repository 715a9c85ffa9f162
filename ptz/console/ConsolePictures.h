#pragma once

// The console's pictures, drawn at run time so that no image files need to ship.

#include <QPixmap>

QPixmap switchOnPicture();  // ImgSwitchOn, 32 x 32: the link is up
QPixmap switchOffPicture(); // ImgSwitchOff, 32 x 32
QPixmap bannerPicture();    // Image1 of the bottom strip
QPixmap aboutPicture();     // Image1 of the about box
