#pragma once

#include <QRect>
#include <QString>

class QPainter;

// Draws text in the painter's font and pen inside area: word-wrapped, each line centred, the block
// centred vertically; where the text does not fit, the last line that fits ends with an ellipsis.
void DrawWrappedText(QPainter& painter, const QRect& area, const QString& text);
