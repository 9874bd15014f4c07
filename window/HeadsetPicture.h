#pragma once
// The pictures of the connected headset: the one beside the pages and the
// button of the main screen that opens the picture screen.

#include <QString>

// The picture beside the pages as a style sheet: the built-in model's, a
// picture put in the data folder's photo folder for the product, or one
// shipped for it.
QString headsetPictureStyle(quint16 productId);
// Whether the picture beside the pages is one the program ships (a
// built-in model's, a known product's), which covers the spectrum panel.
bool headsetPictureShipped(quint16 productId);
// The picture screen's button: the product's picture pair where one is
// shipped, else the picture beside the pages.
QString headsetPictureButtonStyle(quint16 productId);
