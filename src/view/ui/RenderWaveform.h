#pragma once
#include <QImage>

#include "view/WaveformGeometry.h"

// Draws the view into `bitmap` (resized to `size` when needed): background,
// selection band, the waveform line from the fixed start point, the anchor line.
void RenderWaveform(QImage& bitmap, QSize size, const zirpel::WaveformGeometry& g);
