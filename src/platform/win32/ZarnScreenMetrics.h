// Not part of Win32: a fixed screen size for tests and tools, so that code reading
// GetSystemMetrics behaves the same with or without a display.
#pragma once

// From now on SM_CXSCREEN / SM_CXVIRTUALSCREEN answer `width`, SM_CYSCREEN /
// SM_CYVIRTUALSCREEN `height` and the virtual-screen origin (0, 0). A width or height of 0
// or less removes the override.
void ZarnSetScreenMetricsOverride(int width, int height);
