// The one-run layer of values from $ZARN_REGISTRY_OVERLAY, read afresh on every query like the
// file itself (it is a few lines).
#include "RegistryOverlay.h"

#include <cstdlib>
#include <cstring>

const RegistryValue* findRegistryOverlayValue(std::string_view keyPath, std::string_view name,
                                              RegistryDocument& storage) {
    storage.keys.clear();
    const char* text = std::getenv(kRegistryOverlayVariable);
    if (!text || !*text || std::strlen(text) > kRegistryMaxFileBytes) return nullptr;
    if (!parseRegistryText(text, storage)) return nullptr;
    const RegistryKey* key = storage.findKey(keyPath);
    return key ? findRegistryValue(*key, name) : nullptr;
}
