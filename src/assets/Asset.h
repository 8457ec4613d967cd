// The base of every piece of content (textures, materials, meshes, animations): a name to
// be found by, and the flags that the library's lookups and the texture reader set.
#pragma once

class Asset {
public:
    Asset() = default;
    Asset(const Asset&) = delete;
    Asset& operator=(const Asset&) = delete;
    virtual ~Asset();

    // Stores a private copy; null leaves the name absent.
    void setName(const char* name);
    const char* getName() const { return name; }

    bool used = false;
    bool localized = false;

private:
    char* name = nullptr;
};
