// Which Windows the program runs on, by capability thresholds.
#pragma once

// True on Windows 6.<minor> or later (6.0 Vista, 6.1 7, 6.2 8).
bool IsWindows6OrLater(int minor);
