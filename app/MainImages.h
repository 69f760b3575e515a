#pragma once

// ImageList1 of the main window: the state images of the entry list (0, 1, 2, 8) and,
// as later windows draw them, the pictures of the actions.

#include <QIcon>
#include <vector>

namespace nuvex {

// Indexes of the action pictures (the state images are TWatchImage).
enum TActionImage : int
{
    kImageQuit = 3,
    kImageShowWindow = 4,
    kImageHomePage = 5,
    kImageUpdate = 6,
    kImageAbout = 7,
    kImagePasswordManager = 9,
};

std::vector<QIcon> MakeMainImageList();
// The program's own icon in the notification area.
QIcon MakeTrayIcon();

} // namespace nuvex
