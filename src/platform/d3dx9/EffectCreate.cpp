// D3DXCreateEffectFromFileA: reads an effect file, parses it and compiles it on the device, the
// way D3DX compiles an effect from text at load. What the compiler says comes back in the
// errors buffer as text with a terminating NUL.
#include "d3dx9/EffectFile.h"
#include "d3dx9/EffectRuntime.h"

#include <d3dx9.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Reads at most the format's size limit; a larger file is refused rather than allocated.
bool readWholeFile(const char* fileName, std::string* text, std::string* problem) {
    FILE* file = std::fopen(fileName, "rb");
    if (!file) {
        *problem = "could not be opened";
        return false;
    }
    text->clear();
    char chunk[8192];
    size_t got;
    bool tooLarge = false;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        if (text->size() + got > zarnfx::kMaxEffectFileBytes) {
            tooLarge = true;
            break;
        }
        text->append(chunk, got);
    }
    bool readError = std::ferror(file) != 0;
    std::fclose(file);
    if (tooLarge) {
        *problem = "is larger than 1 MiB";
        return false;
    }
    if (readError) {
        *problem = "could not be read";
        return false;
    }
    return true;
}

void returnLog(const std::string& log, LPD3DXBUFFER* ppCompilationErrors) {
    if (!ppCompilationErrors || log.empty()) return;
    LPD3DXBUFFER buffer = nullptr;
    if (FAILED(D3DXCreateBuffer(static_cast<DWORD>(log.size() + 1), &buffer))) return;
    std::memcpy(buffer->GetBufferPointer(), log.c_str(), log.size() + 1);
    *ppCompilationErrors = buffer;
}

// The list ends at the first entry without a name, as in D3DX; a null definition means empty.
bool copyMacros(const D3DXMACRO* defines, std::vector<zarnfx::MacroDesc>* out) {
    for (size_t i = 0; defines && defines[i].Name; ++i) {
        if (i >= zarnfx::kMaxMacros) return false;
        zarnfx::MacroDesc macro{defines[i].Name, defines[i].Definition ? defines[i].Definition : ""};
        if (!zarnfx::isValidMacro(macro.name, macro.definition)) return false;
        out->push_back(std::move(macro));
    }
    return true;
}

}  // namespace

HRESULT D3DXCreateEffectFromFileA(LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile, const D3DXMACRO* pDefines,
                                  LPD3DXINCLUDE pInclude, DWORD Flags, LPD3DXEFFECTPOOL pPool,
                                  LPD3DXEFFECT* ppEffect, LPD3DXBUFFER* ppCompilationErrors) {
    // Include handlers, flags and pools are D3DX features our format has no use for.
    (void)pInclude;
    (void)Flags;
    (void)pPool;
    if (ppCompilationErrors) *ppCompilationErrors = nullptr;
    if (ppEffect) *ppEffect = nullptr;
    if (!pDevice || !pSrcFile || !ppEffect) return D3DERR_INVALIDCALL;

    std::string text;
    std::string problem;
    if (!readWholeFile(pSrcFile, &text, &problem)) {
        returnLog(std::string(pSrcFile) + ": " + problem + "\n", ppCompilationErrors);
        return D3DERR_NOTFOUND;
    }
    std::vector<zarnfx::MacroDesc> macros;
    if (!copyMacros(pDefines, &macros)) {
        returnLog(std::string(pSrcFile) + ": a macro is not an identifier with a one-line definition\n",
                  ppCompilationErrors);
        return D3DERR_INVALIDCALL;
    }
    zarnfx::EffectFileDesc desc;
    if (!zarnfx::parseEffectFile(text, macros, &desc, &problem)) {
        returnLog(std::string(pSrcFile) + ": " + problem + "\n", ppCompilationErrors);
        return D3DXERR_INVALIDDATA;
    }
    std::string log;
    HRESULT result = zarnfx::createEffect(pDevice, std::move(desc), pSrcFile, ppEffect, &log);
    returnLog(log, ppCompilationErrors);
    return result;
}
