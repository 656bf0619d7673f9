#pragma once
#include <QIcon>
#include <QImage>
#include <QPixmap>

#include <vector>

// The program's picture: a green waveform on a dark red tile with a bell,
// drawn at run time so no image file has to be shipped.
QPixmap ZirpelPicture(int size);
QIcon ZirpelIcon();

// The icon's sizes drawn as images: safe on any thread and before the
// application object exists, so the start can draw them while Qt connects
// to the display. ZirpelIcon(images) makes the icon of them.
std::vector<QImage> DrawZirpelIconImages();
QIcon ZirpelIcon(const std::vector<QImage>& images);
