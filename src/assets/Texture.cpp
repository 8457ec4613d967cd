// Texture block reading and image loading.
#include "assets/Texture.h"

#include "assets/LibraryTokens.h"
#include "shell/Diagnostics.h"

#include <d3dx9.h>

#include <cstdlib>
#include <cstring>

Texture::~Texture() { std::free(fileName); }

void Texture::setFileName(const char* name) {
    std::free(fileName);
    fileName = strdup(name);
}

bool Texture::readBlock(FILE* file) {
    char keyword[kBlockTokenMax + 1];
    char brace[kBlockTokenMax + 1];
    if (readToken(file, keyword, kBlockTokenMax) != TokenRead::ok) return false;
    if (readToken(file, brace, kBlockTokenMax) != TokenRead::ok) return false;
    if (std::strcmp(keyword, "TEXTURE") != 0 || std::strcmp(brace, "{") != 0) return false;

    char token[kBlockTokenMax + 1];
    for (;;) {
        const TokenRead r = readToken(file, token, kBlockTokenMax);
        if (r == TokenRead::end) return true;
        if (r == TokenRead::tooLong) return false;
        if (std::strcmp(token, "}") == 0) return true;

        // Checked before the keywords, so "#TXFILE" is a comment too.
        if (token[0] == '#') {
            skipRestOfLine(file);
        } else if (std::strcmp(token, "TXFILE") == 0) {
            char name[kBlockTokenMax + 1];
            const TokenRead a = readToken(file, name, kBlockTokenMax);
            if (a == TokenRead::tooLong) return false;
            if (a == TokenRead::end) return true;
            setFileName(name);
        } else if (std::strcmp(token, "CUBEMAP") == 0) {
            cubemap = true;
        } else if (std::strcmp(token, "NAME") == 0) {
            char name[kBlockTokenMax + 1];
            const TokenRead a = readToken(file, name, kBlockTokenMax);
            if (a == TokenRead::tooLong) return false;
            if (a == TokenRead::end) return true;
            setName(name);
        } else if (std::strcmp(token, "LOCALIZED") == 0) {
            localized = true;
        } else {
            debugPrintf("Unrecognized texture property, %s", token);
            return false;
        }
    }
}

bool Texture::createDeviceObjects(IDirect3DDevice9* device) {
    if (!fileName) return false;
    releaseDeviceObjects();  // a second load must not leak the first image
    HRESULT hr;
    if (cubemap) {
        IDirect3DCubeTexture9* cube = nullptr;
        hr = D3DXCreateCubeTextureFromFileA(device, fileName, &cube);
        texture = SUCCEEDED(hr) ? cube : nullptr;
        if (FAILED(hr)) debugPrintf("Could not load cube map file %s\n", fileName);
    } else {
        IDirect3DTexture9* plain = nullptr;
        hr = D3DXCreateTextureFromFileA(device, fileName, &plain);
        texture = SUCCEEDED(hr) ? plain : nullptr;
        if (FAILED(hr)) debugPrintf("Could not load texture file %s\n", fileName);
    }
    return texture != nullptr;
}

void Texture::releaseDeviceObjects() {
    if (texture) {
        texture->Release();
        texture = nullptr;
    }
}
