// The data root (the folder holding data/assetLibrary.txt) when the registry names no
// install folder: where the program's own build or install put its data.
#pragma once

const char* platformDefaultInstallDir();
