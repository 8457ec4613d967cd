// A read-only layer of registry values for one run, laid over the registry file: a host that
// starts the program with chosen settings hands them over this way, so that run sees them and
// the file, which belongs to the user, is never written on its behalf.
#pragma once

#include "RegistryDocument.h"

#include <string_view>

// The environment variable holding the layer: REGEDIT4 text, as in the registry file.
constexpr const char* kRegistryOverlayVariable = "ZARN_REGISTRY_OVERLAY";

// The layer's value `name` under the full key path, or null when the layer does not set it.
// `storage` holds the parsed layer for as long as the answer is used. A layer that is not
// well-formed REGEDIT4 within the file's limits is ignored whole, like a damaged file.
const RegistryValue* findRegistryOverlayValue(std::string_view keyPath, std::string_view name,
                                              RegistryDocument& storage);
