// Methods of MinGW's IDirect3DDevice9 outside the subset the system uses: recorded, and they
// answer D3DERR_INVALIDCALL (or nothing). Included inside RecordingDevice on Windows only.
HRESULT STDMETHODCALLTYPE SetCursorProperties(UINT, UINT, IDirect3DSurface9*) override {
  return Unsupported("SetCursorProperties");
}
void STDMETHODCALLTYPE SetCursorPosition(int, int, DWORD) override { Unsupported("SetCursorPosition"); }
WINBOOL STDMETHODCALLTYPE ShowCursor(WINBOOL) override {
  Unsupported("ShowCursor");
  return FALSE;
}
HRESULT STDMETHODCALLTYPE CreateAdditionalSwapChain(D3DPRESENT_PARAMETERS*, IDirect3DSwapChain9**) override {
  return Unsupported("CreateAdditionalSwapChain");
}
HRESULT STDMETHODCALLTYPE GetSwapChain(UINT, IDirect3DSwapChain9**) override { return Unsupported("GetSwapChain"); }
UINT STDMETHODCALLTYPE GetNumberOfSwapChains() override {
  Unsupported("GetNumberOfSwapChains");
  return 1;
}
HRESULT STDMETHODCALLTYPE GetRasterStatus(UINT, D3DRASTER_STATUS*) override { return Unsupported("GetRasterStatus"); }
HRESULT STDMETHODCALLTYPE SetDialogBoxMode(WINBOOL) override { return Unsupported("SetDialogBoxMode"); }
void STDMETHODCALLTYPE SetGammaRamp(UINT, DWORD, const D3DGAMMARAMP*) override { Unsupported("SetGammaRamp"); }
void STDMETHODCALLTYPE GetGammaRamp(UINT, D3DGAMMARAMP*) override { Unsupported("GetGammaRamp"); }
HRESULT STDMETHODCALLTYPE CreateVolumeTexture(UINT, UINT, UINT, UINT, DWORD, D3DFORMAT, D3DPOOL,
                                              IDirect3DVolumeTexture9**, HANDLE*) override {
  return Unsupported("CreateVolumeTexture");
}
HRESULT STDMETHODCALLTYPE CreateCubeTexture(UINT, UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DCubeTexture9**,
                                            HANDLE*) override {
  return Unsupported("CreateCubeTexture");
}
HRESULT STDMETHODCALLTYPE CreateDepthStencilSurface(UINT, UINT, D3DFORMAT, D3DMULTISAMPLE_TYPE, DWORD, WINBOOL,
                                                    IDirect3DSurface9**, HANDLE*) override {
  return Unsupported("CreateDepthStencilSurface");
}
HRESULT STDMETHODCALLTYPE UpdateSurface(IDirect3DSurface9*, const RECT*, IDirect3DSurface9*, const POINT*) override {
  return Unsupported("UpdateSurface");
}
HRESULT STDMETHODCALLTYPE UpdateTexture(IDirect3DBaseTexture9*, IDirect3DBaseTexture9*) override {
  return Unsupported("UpdateTexture");
}
HRESULT STDMETHODCALLTYPE GetFrontBufferData(UINT, IDirect3DSurface9*) override {
  return Unsupported("GetFrontBufferData");
}
HRESULT STDMETHODCALLTYPE StretchRect(IDirect3DSurface9*, const RECT*, IDirect3DSurface9*, const RECT*,
                                      D3DTEXTUREFILTERTYPE) override {
  return Unsupported("StretchRect");
}
HRESULT STDMETHODCALLTYPE ColorFill(IDirect3DSurface9*, const RECT*, D3DCOLOR) override {
  return Unsupported("ColorFill");
}
HRESULT STDMETHODCALLTYPE SetDepthStencilSurface(IDirect3DSurface9*) override {
  return Unsupported("SetDepthStencilSurface");
}
HRESULT STDMETHODCALLTYPE MultiplyTransform(D3DTRANSFORMSTATETYPE, const D3DMATRIX*) override {
  return Unsupported("MultiplyTransform");
}
HRESULT STDMETHODCALLTYPE SetClipPlane(DWORD, const float*) override { return Unsupported("SetClipPlane"); }
HRESULT STDMETHODCALLTYPE GetClipPlane(DWORD, float*) override { return Unsupported("GetClipPlane"); }
HRESULT STDMETHODCALLTYPE CreateStateBlock(D3DSTATEBLOCKTYPE, IDirect3DStateBlock9**) override {
  return Unsupported("CreateStateBlock");
}
HRESULT STDMETHODCALLTYPE BeginStateBlock() override { return Unsupported("BeginStateBlock"); }
HRESULT STDMETHODCALLTYPE EndStateBlock(IDirect3DStateBlock9**) override { return Unsupported("EndStateBlock"); }
HRESULT STDMETHODCALLTYPE SetClipStatus(const D3DCLIPSTATUS9*) override { return Unsupported("SetClipStatus"); }
HRESULT STDMETHODCALLTYPE GetClipStatus(D3DCLIPSTATUS9*) override { return Unsupported("GetClipStatus"); }
HRESULT STDMETHODCALLTYPE ValidateDevice(DWORD*) override { return Unsupported("ValidateDevice"); }
HRESULT STDMETHODCALLTYPE SetPaletteEntries(UINT, const PALETTEENTRY*) override {
  return Unsupported("SetPaletteEntries");
}
HRESULT STDMETHODCALLTYPE GetPaletteEntries(UINT, PALETTEENTRY*) override { return Unsupported("GetPaletteEntries"); }
HRESULT STDMETHODCALLTYPE SetCurrentTexturePalette(UINT) override { return Unsupported("SetCurrentTexturePalette"); }
HRESULT STDMETHODCALLTYPE GetCurrentTexturePalette(UINT*) override { return Unsupported("GetCurrentTexturePalette"); }
HRESULT STDMETHODCALLTYPE SetSoftwareVertexProcessing(WINBOOL) override {
  return Unsupported("SetSoftwareVertexProcessing");
}
WINBOOL STDMETHODCALLTYPE GetSoftwareVertexProcessing() override {
  Unsupported("GetSoftwareVertexProcessing");
  return FALSE;
}
HRESULT STDMETHODCALLTYPE SetNPatchMode(float) override { return Unsupported("SetNPatchMode"); }
float STDMETHODCALLTYPE GetNPatchMode() override {
  Unsupported("GetNPatchMode");
  return 0.0f;
}
HRESULT STDMETHODCALLTYPE ProcessVertices(UINT, UINT, UINT, IDirect3DVertexBuffer9*, IDirect3DVertexDeclaration9*,
                                          DWORD) override {
  return Unsupported("ProcessVertices");
}
HRESULT STDMETHODCALLTYPE CreateVertexDeclaration(const D3DVERTEXELEMENT9*, IDirect3DVertexDeclaration9**) override {
  return Unsupported("CreateVertexDeclaration");
}
HRESULT STDMETHODCALLTYPE SetVertexDeclaration(IDirect3DVertexDeclaration9*) override {
  return Unsupported("SetVertexDeclaration");
}
HRESULT STDMETHODCALLTYPE GetVertexDeclaration(IDirect3DVertexDeclaration9**) override {
  return Unsupported("GetVertexDeclaration");
}
HRESULT STDMETHODCALLTYPE CreateVertexShader(const DWORD*, IDirect3DVertexShader9**) override {
  return Unsupported("CreateVertexShader");
}
HRESULT STDMETHODCALLTYPE SetVertexShader(IDirect3DVertexShader9*) override { return Unsupported("SetVertexShader"); }
HRESULT STDMETHODCALLTYPE GetVertexShader(IDirect3DVertexShader9**) override { return Unsupported("GetVertexShader"); }
HRESULT STDMETHODCALLTYPE SetVertexShaderConstantF(UINT, const float*, UINT) override {
  return Unsupported("SetVertexShaderConstantF");
}
HRESULT STDMETHODCALLTYPE GetVertexShaderConstantF(UINT, float*, UINT) override {
  return Unsupported("GetVertexShaderConstantF");
}
HRESULT STDMETHODCALLTYPE SetVertexShaderConstantI(UINT, const int*, UINT) override {
  return Unsupported("SetVertexShaderConstantI");
}
HRESULT STDMETHODCALLTYPE GetVertexShaderConstantI(UINT, int*, UINT) override {
  return Unsupported("GetVertexShaderConstantI");
}
HRESULT STDMETHODCALLTYPE SetVertexShaderConstantB(UINT, const WINBOOL*, UINT) override {
  return Unsupported("SetVertexShaderConstantB");
}
HRESULT STDMETHODCALLTYPE GetVertexShaderConstantB(UINT, WINBOOL*, UINT) override {
  return Unsupported("GetVertexShaderConstantB");
}
HRESULT STDMETHODCALLTYPE SetStreamSourceFreq(UINT, UINT) override { return Unsupported("SetStreamSourceFreq"); }
HRESULT STDMETHODCALLTYPE GetStreamSourceFreq(UINT, UINT*) override { return Unsupported("GetStreamSourceFreq"); }
HRESULT STDMETHODCALLTYPE CreatePixelShader(const DWORD*, IDirect3DPixelShader9**) override {
  return Unsupported("CreatePixelShader");
}
HRESULT STDMETHODCALLTYPE SetPixelShader(IDirect3DPixelShader9*) override { return Unsupported("SetPixelShader"); }
HRESULT STDMETHODCALLTYPE GetPixelShader(IDirect3DPixelShader9**) override { return Unsupported("GetPixelShader"); }
HRESULT STDMETHODCALLTYPE SetPixelShaderConstantF(UINT, const float*, UINT) override {
  return Unsupported("SetPixelShaderConstantF");
}
HRESULT STDMETHODCALLTYPE GetPixelShaderConstantF(UINT, float*, UINT) override {
  return Unsupported("GetPixelShaderConstantF");
}
HRESULT STDMETHODCALLTYPE SetPixelShaderConstantI(UINT, const int*, UINT) override {
  return Unsupported("SetPixelShaderConstantI");
}
HRESULT STDMETHODCALLTYPE GetPixelShaderConstantI(UINT, int*, UINT) override {
  return Unsupported("GetPixelShaderConstantI");
}
HRESULT STDMETHODCALLTYPE SetPixelShaderConstantB(UINT, const WINBOOL*, UINT) override {
  return Unsupported("SetPixelShaderConstantB");
}
HRESULT STDMETHODCALLTYPE GetPixelShaderConstantB(UINT, WINBOOL*, UINT) override {
  return Unsupported("GetPixelShaderConstantB");
}
HRESULT STDMETHODCALLTYPE DrawRectPatch(UINT, const float*, const D3DRECTPATCH_INFO*) override {
  return Unsupported("DrawRectPatch");
}
HRESULT STDMETHODCALLTYPE DrawTriPatch(UINT, const float*, const D3DTRIPATCH_INFO*) override {
  return Unsupported("DrawTriPatch");
}
HRESULT STDMETHODCALLTYPE DeletePatch(UINT) override { return Unsupported("DeletePatch"); }
HRESULT STDMETHODCALLTYPE CreateQuery(D3DQUERYTYPE, IDirect3DQuery9**) override { return Unsupported("CreateQuery"); }

private:
HRESULT Unsupported(const char* method) {
  Record(method, {});
  return D3DERR_INVALIDCALL;
}

public:
