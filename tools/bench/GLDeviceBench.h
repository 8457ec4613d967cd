// zarn-bench device: the GL device's own cost per draw and per frame, without the clock.
#pragma once

int runGLDeviceBench();
