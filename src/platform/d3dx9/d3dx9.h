// The D3DX 9 subset that the saver calls, with D3DX's own names, signatures and formulas
// (row vectors, left-handed): matrix and vector helpers, textures from image files, effects
// from effect files, .x meshes and tangent frames. Only what the saver calls is declared.
#pragma once

#include <d3d9.h>

#define D3DX_DEFAULT ((UINT)-1)
#define D3DX_PI ((float)3.141592654f)
#define D3DXERR_INVALIDDATA ((HRESULT)0x88760B59L)
#define MAX_FVF_DECL_SIZE (MAXD3DDECLLENGTH + 1)

// ---- math ----------------------------------------------------------------------------------
struct D3DXVECTOR2 {
    float x, y;
    D3DXVECTOR2() = default;
    D3DXVECTOR2(float fx, float fy) : x(fx), y(fy) {}
};

struct D3DXVECTOR3 : D3DVECTOR {
    D3DXVECTOR3() = default;
    D3DXVECTOR3(float fx, float fy, float fz) : D3DVECTOR{fx, fy, fz} {}
};

struct D3DXVECTOR4 {
    float x, y, z, w;
    D3DXVECTOR4() = default;
    D3DXVECTOR4(float fx, float fy, float fz, float fw) : x(fx), y(fy), z(fz), w(fw) {}
};

// Stored x, y, z, w as in D3DX (the saver's own Quaternion stores w first).
struct D3DXQUATERNION {
    float x, y, z, w;
    D3DXQUATERNION() = default;
    D3DXQUATERNION(float fx, float fy, float fz, float fw) : x(fx), y(fy), z(fz), w(fw) {}
};

struct D3DXMATRIX : D3DMATRIX {
    D3DXMATRIX() = default;
    D3DXMATRIX(const D3DMATRIX& m) : D3DMATRIX(m) {}
    D3DXMATRIX(float f11, float f12, float f13, float f14, float f21, float f22, float f23, float f24, float f31,
               float f32, float f33, float f34, float f41, float f42, float f43, float f44);
    float& operator()(UINT row, UINT col) { return m[row][col]; }
    float operator()(UINT row, UINT col) const { return m[row][col]; }
    D3DXMATRIX operator*(const D3DXMATRIX& rhs) const;
};

struct alignas(16) D3DXMATRIXA16 : D3DXMATRIX {
    D3DXMATRIXA16() = default;
    D3DXMATRIXA16(const D3DMATRIX& m) : D3DXMATRIX(m) {}
};

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* pOut);
D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2);
D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* pOut, float* pDeterminant, const D3DXMATRIX* pM);
float D3DXMatrixDeterminant(const D3DXMATRIX* pM);
D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                               const D3DXVECTOR3* pUp);
D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, float fovy, float Aspect, float zn, float zf);
D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* pOut, const D3DXQUATERNION* pQ);
D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* pOut, float x, float y, float z);
D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* pOut, float sx, float sy, float sz);
D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* pOut, float Angle);
D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM);
D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM);
D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV);

// ---- buffers -------------------------------------------------------------------------------
struct ID3DXBuffer : IUnknown {
    virtual void* GetBufferPointer() = 0;
    virtual DWORD GetBufferSize() = 0;
};
typedef ID3DXBuffer* LPD3DXBUFFER;

// An owned copy of the given bytes, reference count 1.
HRESULT D3DXCreateBuffer(DWORD NumBytes, LPD3DXBUFFER* ppBuffer);

// ---- textures ------------------------------------------------------------------------------
typedef void(WINAPI* LPD3DXFILL2D)(D3DXVECTOR4* pOut, const D3DXVECTOR2* pTexCoord, const D3DXVECTOR2* pTexelSize,
                             LPVOID pData);

HRESULT D3DXCreateTexture(LPDIRECT3DDEVICE9 pDevice, UINT Width, UINT Height, UINT MipLevels, DWORD Usage,
                          D3DFORMAT Format, D3DPOOL Pool, LPDIRECT3DTEXTURE9* ppTexture);
HRESULT D3DXFillTexture(LPDIRECT3DTEXTURE9 pTexture, LPD3DXFILL2D pFunction, LPVOID pData);
HRESULT D3DXCreateTextureFromFileA(LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile, LPDIRECT3DTEXTURE9* ppTexture);
HRESULT D3DXCreateCubeTextureFromFileA(LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile,
                                       LPDIRECT3DCUBETEXTURE9* ppCubeTexture);

// ---- effects -------------------------------------------------------------------------------
typedef const char* D3DXHANDLE;
typedef struct _D3DXMACRO {
    LPCSTR Name;
    LPCSTR Definition;
} D3DXMACRO;
struct ID3DXInclude;
typedef ID3DXInclude* LPD3DXINCLUDE;
struct ID3DXEffectPool;
typedef ID3DXEffectPool* LPD3DXEFFECTPOOL;

// Begin flags: which device state Begin saves for End to restore (0 saves all of it).
#define D3DXFX_DONOTSAVESTATE (1 << 0)
#define D3DXFX_DONOTSAVESHADERSTATE (1 << 1)
#define D3DXFX_DONOTSAVESAMPLERSTATE (1 << 2)

struct ID3DXEffect : IUnknown {
    virtual HRESULT FindNextValidTechnique(D3DXHANDLE hTechnique, D3DXHANDLE* pTechnique) = 0;
    virtual D3DXHANDLE GetParameterByName(D3DXHANDLE hParameter, LPCSTR pName) = 0;
    virtual HRESULT SetMatrix(D3DXHANDLE hParameter, const D3DXMATRIX* pMatrix) = 0;
    virtual HRESULT SetVector(D3DXHANDLE hParameter, const D3DXVECTOR4* pVector) = 0;
    virtual HRESULT SetFloat(D3DXHANDLE hParameter, FLOAT f) = 0;
    virtual HRESULT SetTexture(D3DXHANDLE hParameter, LPDIRECT3DBASETEXTURE9 pTexture) = 0;
    virtual HRESULT Begin(UINT* pPasses, DWORD Flags) = 0;
    virtual HRESULT BeginPass(UINT Pass) = 0;
    virtual HRESULT CommitChanges() = 0;
    virtual HRESULT EndPass() = 0;
    virtual HRESULT End() = 0;
    virtual HRESULT OnLostDevice() = 0;
};
typedef ID3DXEffect* LPD3DXEFFECT;

HRESULT D3DXCreateEffectFromFileA(LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile, const D3DXMACRO* pDefines,
                                  LPD3DXINCLUDE pInclude, DWORD Flags, LPD3DXEFFECTPOOL pPool,
                                  LPD3DXEFFECT* ppEffect, LPD3DXBUFFER* ppCompilationErrors);

// ---- meshes --------------------------------------------------------------------------------
#define D3DXMESH_32BIT 0x001
#define D3DXMESH_SYSTEMMEM 0x110
#define D3DXMESH_MANAGED 0x220
#define D3DXTANGENT_CALCULATE_NORMALS 0x400

typedef struct _D3DXMATERIAL {
    D3DMATERIAL9 MatD3D;
    LPSTR pTextureFilename;
} D3DXMATERIAL;

struct ID3DXMesh : IUnknown {
    virtual HRESULT DrawSubset(DWORD AttribId) = 0;
    virtual DWORD GetNumFaces() = 0;
    virtual DWORD GetNumVertices() = 0;
    virtual DWORD GetOptions() = 0;
    virtual HRESULT GetDeclaration(D3DVERTEXELEMENT9 Declaration[MAX_FVF_DECL_SIZE]) = 0;
    virtual DWORD GetNumBytesPerVertex() = 0;
    virtual HRESULT CloneMesh(DWORD Options, const D3DVERTEXELEMENT9* pDeclaration, LPDIRECT3DDEVICE9 pD3DDevice,
                              ID3DXMesh** ppCloneMesh) = 0;
    virtual HRESULT GenerateAdjacency(FLOAT Epsilon, DWORD* pAdjacency) = 0;
    virtual HRESULT LockVertexBuffer(DWORD Flags, LPVOID* ppData) = 0;
    virtual HRESULT UnlockVertexBuffer() = 0;
    virtual HRESULT LockIndexBuffer(DWORD Flags, LPVOID* ppData) = 0;
    virtual HRESULT UnlockIndexBuffer() = 0;
};
typedef ID3DXMesh* LPD3DXMESH;

// The device may be null: the mesh is then read into system memory only, and CloneMesh with
// a device makes the drawable copy (the asset library is read before the device exists).
HRESULT D3DXLoadMeshFromXA(LPCSTR pFilename, DWORD Options, LPDIRECT3DDEVICE9 pD3DDevice,
                           LPD3DXBUFFER* ppAdjacency, LPD3DXBUFFER* ppMaterials,
                           LPD3DXBUFFER* ppEffectInstances, DWORD* pNumMaterials, LPD3DXMESH* ppMesh);

HRESULT D3DXComputeTangentFrameEx(ID3DXMesh* pMesh, DWORD dwTextureInSemantic, DWORD dwTextureInIndex,
                                  DWORD dwUPartialOutSemantic, DWORD dwUPartialOutIndex,
                                  DWORD dwVPartialOutSemantic, DWORD dwVPartialOutIndex,
                                  DWORD dwNormalOutSemantic, DWORD dwNormalOutIndex, DWORD dwOptions,
                                  const DWORD* pdwAdjacency, FLOAT fPartialEdgeThreshold,
                                  FLOAT fSingularPointThreshold, FLOAT fNormalEdgeThreshold,
                                  ID3DXMesh** ppMeshOut, ID3DXBuffer** ppVertexMapping);
