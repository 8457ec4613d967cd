// The ID3DXEffect behind D3DXCreateEffectFromFileA: one parsed effect file whose passes are
// compiled into device programs. Private to the d3dx9 stand-in.
#pragma once

#include "d3dx9/EffectFile.h"

#include <d3dx9.h>

#include <string>

namespace zarnfx {

// Compiles every technique of the description on the device (a technique whose requirement
// the device refuses, or whose programs do not compile and link, stays in the effect but is
// not valid) and hands out the effect with one reference. Compiler output, warnings included,
// is appended to *log with the technique and pass it came from.
HRESULT createEffect(IDirect3DDevice9* device, EffectFileDesc&& desc, const std::string& fileName,
                     ID3DXEffect** effect, std::string* log);

}  // namespace zarnfx
