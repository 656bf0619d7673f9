#pragma once
#include <QIcon>
#include <QPixmap>

// The program's picture: a green waveform on a dark red tile with a bell,
// drawn at run time so no image file has to be shipped.
QPixmap ZirpelPicture(int size);
QIcon ZirpelIcon();
