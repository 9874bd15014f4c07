#pragma once
// The form names two faces, Arial and BankGothic Lt BT; the program ships
// free faces of the same measures in their place, in its font folder.

// Loads the shipped faces, lets them stand in for the faces the form names
// and makes the first one the application's font.
void installShippedFonts();
