#pragma once

#include <QIcon>
#include <QPixmap>

// The application icon in all its drawn sizes.
QIcon AppIcon();
// Toolbar image `index` (0 Set, 1 Run, 2 Back arrow, 3 Strandscope): 62 x 15 pixels
// cut from the toolbar strip.
QPixmap ToolbarImage(int index);
