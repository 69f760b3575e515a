#pragma once

class QWidget;

namespace nuvex {

// Centres a window, frame included, on the screen it is shown on.
void CentreOnScreen(QWidget* window);

} // namespace nuvex
