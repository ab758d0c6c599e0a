// Creates a Direct3D 11 texture and its shader-resource view from a DDS file: 1D, 2D, arrays, cube maps and
// volumes, with the file's mip chain or, for single-level 2D files, a generated one. No sRGB forcing, no CPU access.
#pragma once

#include <d3d11.h>

// Either output may be null when the caller does not want it; what is handed back carries one reference.
// Returns a negative HRESULT (and names the file and the reason on standard error) for invalid arguments,
// an unreadable file, a malformed header, an unsupported format or a failed creation.
HRESULT LoadDdsTexture(ID3D11Device* device, ID3D11DeviceContext* context, const wchar_t* fileName,
                       ID3D11Resource** texture, ID3D11ShaderResourceView** textureView);
