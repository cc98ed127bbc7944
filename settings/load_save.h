// Loading and saving the clock's settings through the settings store.
#pragma once

// Reads the settings file and, when it could be read, applies its modes,
// alpha, colours and restored window rectangle. Always forces a repaint.
void LoadSettings();

// Puts the current state into the store and writes the store to the file;
// a failure shows "Could not save Settings".
void SaveSettings();
