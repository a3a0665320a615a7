#pragma once

#include <QPalette>

class QDialog;

// White with black text, the look of every dialog and message box of the program.
QPalette DialogPalette(QPalette palette);

// The program's dialog look on one dialog, with a fixed-size frame (title, system menu,
// close box). Start-up gives every dialog the palette too; setting it here keeps a
// dialog white where it is built without the start-up, in tests for one.
void ApplyDialogLook(QDialog& dialog);
