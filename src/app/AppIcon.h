#pragma once
#include <QIcon>
#include <QImage>
#include <QPixmap>

#include <vector>

// The program's picture: a green waveform on a dark red tile with a bell,
// drawn at run time so no image file has to be shipped.
QPixmap ZirpelPicture(int size);
QIcon ZirpelIcon();

// The icon's sizes drawn as images, which any thread may do once the
// application object exists (not before: a painter asks it for the default
// font), so the start draws them beside the window's construction.
// ZirpelIcon(images) makes the icon of them on the window's thread.
std::vector<QImage> DrawZirpelIconImages();
QIcon ZirpelIcon(const std::vector<QImage>& images);
