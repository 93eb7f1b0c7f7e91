// Start-up without a display: one line on stderr and status 1, not the toolkit's advice to reinstall.
#pragma once

// Watches what the toolkit reports while the QApplication is made. If it cannot reach a display, the program
// says so in one line on stderr and exits with status 1; a toolkit that fails for another reason fails as it
// would have. Call watchDisplay() just before making the QApplication and endDisplayWatch() just after: the
// messages held in between then pass on, in order.
void watchDisplay();
void endDisplayWatch();
