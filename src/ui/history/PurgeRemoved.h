#pragma once

class QWidget;

// File > "Purge removed pages...": asks, then deletes the files that removed pages left in the
// storage folder's removed/ folder, and says what went.
void PurgeRemovedPagesAsked(QWidget* parent);
