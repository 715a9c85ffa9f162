#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>

// The program's own small pictures, drawn at run time so that no image file is needed.

// A head and shoulders: the user name field.
QPixmap userPicture(int size);
// A key: the password field.
QPixmap passwordPicture(int size);
// A tick and a cross for the OK and Cancel buttons.
QIcon okGlyph();
QIcon cancelGlyph();
// The program's logo for the about box.
QPixmap programLogo(QSize size);
