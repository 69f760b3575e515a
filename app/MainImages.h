#pragma once

// ImageList1 of the main window: the state images of the entry list (0, 1, 2, 8) and,
// as later windows draw them, the pictures of the actions.

#include <QIcon>
#include <vector>

namespace nuvex {

std::vector<QIcon> MakeMainImageList();

} // namespace nuvex
