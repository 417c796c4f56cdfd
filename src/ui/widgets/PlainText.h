#pragma once

#include <QString>

class QLabel;

// Texts from pages, files and the network are shown as they are, never as markup: a page title such
// as "<h1><a href=...>" must not bring its own headings, images and links into the program's windows.

// A tool tip shows the text literally. Qt takes a tip for rich text when it merely looks like markup,
// and offers no plain-text tips: such a text goes out escaped.
QString PlainToolTip(const QString& text);
// A label that never interprets its text.
QLabel* MakePlain(QLabel* label);
