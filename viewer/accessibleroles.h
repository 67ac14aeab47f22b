#pragma once

// Roles Qt would otherwise get wrong: a top-level QWidget is exposed as a client area ("filler"
// to AT-SPI), not as the window it is; the new-figures notice is a notification.
class AccessibleRoles
{
public:
    // Once per process; later calls do nothing.
    static void install();
};
