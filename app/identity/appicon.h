#pragma once

#include <QIcon>

// The program's own icon, for the main window and the About box: the 16, 32, 48 and 256 pixel
// images that ksv_add_identity() put into the executable's resources under :/ksv/icons.
// A null icon if the executable has none of them.
QIcon appIcon();
