#pragma once

class QWidget;

// Centres a window on its screen (the windows that ask for it call it when they load).
void CentreForm(QWidget &window);
