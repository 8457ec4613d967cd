// Feeds arbitrary bytes to the asset library reader as its file, with a fresh library each
// time, then does what the scene does with a loaded library: looks assets up by name and
// plays every animation forwards, backwards and around its loop. Whatever the file holds,
// none of this may read or write outside the arrays the library made.
#include "assets/Animation.h"
#include "assets/AssetLibrary.h"
#include "assets/Material.h"
#include "assets/Texture.h"

#include "FuzzInputFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* path = writeFuzzInput("assetLibrary.txt", data, size);

    AssetLibrary library;
    library.load(path);

    for (int32_t i = 0; i < library.materialCount; ++i) {
        Material& m = library.materials[i];
        m.highlightOn();
        m.highlightOff();
        if (m.getName()) library.findMaterial(m.getName());
    }
    for (int32_t i = 0; i < library.textureCount; ++i)
        if (library.textures[i].getName()) library.findTexture(library.textures[i].getName());
    for (int32_t i = 0; i < library.animationCount; ++i) {
        Animation& a = library.animations[i];
        a.restart();
        for (int32_t step : {0, 16, 33, 500, 1000, 5000, -700, 2147483647}) a.advance(step);
        a.setDelay(40);
        a.advance(25);
        a.advance(25);
        for (int32_t t : {-5, 0, 1, 999, 1000, 1001, 100000, -2147483647 - 1}) a.setTime(t);
        a.isPlaying();
    }
    library.findMesh("meshFrame");
    library.findAnimation("animPendulum");
    return 0;
}
