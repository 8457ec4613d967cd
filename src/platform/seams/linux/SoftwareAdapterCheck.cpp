// Linux side: the Direct3D stand-in answers from its renderer's name (or a test's script).
#include "platform/seams/SoftwareAdapterCheck.h"

#include <ZarnSoftwareAdapter.h>
#include <gl/ZarnPresentStretch.h>

BOOL isSoftwareAdapter(IDirect3D9* direct3d, UINT adapter) { return ZarnIsSoftwareAdapter(direct3d, adapter); }

BOOL stretchPresentsOnCpu(IDirect3DDevice9* device) { return ZarnStretchPresentsOnCpu(device, TRUE); }
