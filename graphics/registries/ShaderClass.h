// One shader file turned into byte code and one Direct3D shader object of a fixed kind (compute to vertex).
// It does not register itself anywhere or pick its kind from the source: ShaderHolder decides both.
#pragma once

#include <d3d11.h>
#include <d3dcommon.h>
#include <wrl/client.h>

#include <cstdint>
#include <optional>
#include <string>

class ShaderClass
{
public:
    // The numeric kinds the registry and the actor files use; any other value behaves as Pixel.
    enum Kind : int
    {
        Compute = 0,
        Domain = 1,
        Geometry = 2,
        Hull = 3,
        Pixel = 4,
        Vertex = 5
    };

    static constexpr const char* kErrorFileName = "shader-error.txt";

    // Stores the kind and sets the entry point ("PixelShaderFX", ...) and target ("ps_5_0", ...) for it.
    void SetType(int kind);

    // .fx: compiled from source; on compiler errors "shader-error.txt" receives the messages and the result is
    // false. .cso: read as byte code. Other extensions: false, nothing touched. A missing or unreadable file
    // throws DxException.
    bool Compile(const std::wstring& fileName);

    // What a compilation that must not end the program came to (a reload of an edited file).
    enum class CompileOutcome
    {
        Compiled,
        Failed,
        Unreadable,
        Unsupported
    };
    // Compile without side effects: nothing is thrown and no file is written. Failed: the compiler's messages
    // are in `messages` (every byte of the compiler's text, which may end in a zero). Unreadable: the file could not be opened or read. Unsupported: not .fx or .cso.
    CompileOutcome TryCompile(const std::wstring& fileName, std::string& messages);
    // Replaces "shader-error.txt" with `messages`, as a failed compilation does.
    static void WriteErrorFile(const std::string& messages);

    // Creates the shader object of the stored kind from the byte code; throws DxException on failure.
    bool Create(ID3D11Device* device);

    // The bytes of the constant buffer `bufferName` that the byte code reads, from the first used variable's
    // offset to the end of the last: {0, 0} when the shader does not declare the buffer. Null when it cannot
    // be told: no byte code, no reflection, or a compiler that marks no variable as used (then every byte may be
    // read).
    struct ByteRange
    {
        unsigned begin = 0;
        unsigned end = 0;
    };
    // Found once per compilation and buffer asked about.
    std::optional<ByteRange> ConstantBytesRead(const char* bufferName) const;
    // A number of the process that only this object's last compilation attempt has: what was found out about
    // the byte code holds while it stays the same (a reload replaces the registry's entry in place).
    std::uint64_t CompileStamp() const { return m_stamp; }

    ID3DBlob* GetByteCode() const { return m_byteCode.Get(); }
    ID3D11ComputeShader* GetComputeShader() const { return m_computeShader.Get(); }
    ID3D11DomainShader* GetDomainShader() const { return m_domainShader.Get(); }
    ID3D11GeometryShader* GetGeometryShader() const { return m_geometryShader.Get(); }
    ID3D11HullShader* GetHullShader() const { return m_hullShader.Get(); }
    ID3D11PixelShader* GetPixelShader() const { return m_pixelShader.Get(); }
    ID3D11VertexShader* GetVertexShader() const { return m_vertexShader.Get(); }
    int GetType() const { return m_type; }
    const std::string& GetEntryPoint() const { return m_entryPoint; }
    const std::string& GetTarget() const { return m_target; }

private:
    // TryCompile, with the result code of a file that could not be read.
    CompileOutcome CompileFile(const std::wstring& fileName, std::string& messages, HRESULT& result);
    std::optional<ByteRange> ReflectConstantBytesRead(const char* bufferName) const;

    Microsoft::WRL::ComPtr<ID3DBlob> m_byteCode;
    Microsoft::WRL::ComPtr<ID3D11ComputeShader> m_computeShader;
    Microsoft::WRL::ComPtr<ID3D11DomainShader> m_domainShader;
    Microsoft::WRL::ComPtr<ID3D11GeometryShader> m_geometryShader;
    Microsoft::WRL::ComPtr<ID3D11HullShader> m_hullShader;
    Microsoft::WRL::ComPtr<ID3D11PixelShader> m_pixelShader;
    Microsoft::WRL::ComPtr<ID3D11VertexShader> m_vertexShader;
    static inline std::uint64_t s_stamps = 0;
    std::uint64_t m_stamp = 0;
    mutable std::uint64_t m_readStamp = ~std::uint64_t{0};
    mutable std::string m_readBuffer;
    mutable std::optional<ByteRange> m_read;
    int m_type = Pixel;
    std::string m_entryPoint = "PixelShaderFX";
    std::string m_target = "ps_5_0";
};
