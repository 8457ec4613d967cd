#include "assets/Mesh.h"

bool Mesh::loadObj(const char* fileName) { sourceFile = fileName; return true; }
bool Mesh::loadStrip(const char* fileName) { sourceFile = fileName; return true; }
bool Mesh::loadX(const char* fileName) { sourceFile = fileName; return true; }
void Mesh::applyTexTransform(float, float, float, float) {}
HRESULT Mesh::createDeviceObjects(IDirect3DDevice9*) { return S_OK; }
void Mesh::releaseDeviceObjects() {}
