// zarn-fxbuild: turns effect sources (*.fxa with their assembly files) into binary fx_2_0
// effect files. A Windows program, because only D3DX assembles shaders; the build runs it
// once under Wine for all effects.
//   zarn-fxbuild <output-folder> <source.fxa>...
#include "ConstantTable.h"
#include "EffectSource.h"
#include "EffectWriter.h"

#include <d3dx9.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

bool readFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream all;
    all << in.rdbuf();
    text = all.str();
    return true;
}

std::string folderOf(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string stemOf(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return name.substr(0, name.rfind('.'));
}

bool assemble(const std::string& folder, const fxbuild::Shader& shader, const fxbuild::EffectSource& source,
              std::vector<uint32_t>& out) {
    std::string path = folder + shader.file;
    std::string text;
    if (!readFile(path, text)) {
        std::fprintf(stderr, "%s: cannot read\n", path.c_str());
        return false;
    }
    std::vector<std::string> names, values;
    for (const std::string& d : shader.defines) {
        size_t eq = d.find('=');
        names.push_back(d.substr(0, eq));
        values.push_back(eq == std::string::npos ? "1" : d.substr(eq + 1));
    }
    std::vector<D3DXMACRO> macros;
    for (size_t i = 0; i < names.size(); ++i) macros.push_back({names[i].c_str(), values[i].c_str()});
    macros.push_back({nullptr, nullptr});

    ID3DXBuffer* code = nullptr;
    ID3DXBuffer* errors = nullptr;
    HRESULT hr = D3DXAssembleShader(text.c_str(), static_cast<UINT>(text.size()), macros.data(), nullptr, 0, &code,
                                    &errors);
    if (FAILED(hr) || !code) {
        std::fprintf(stderr, "%s: assembly failed (0x%08lx)\n%s\n", path.c_str(), static_cast<unsigned long>(hr),
                     errors ? static_cast<const char*>(errors->GetBufferPointer()) : "");
        if (errors) errors->Release();
        if (code) code->Release();
        return false;
    }
    const uint32_t* tokens = static_cast<const uint32_t*>(code->GetBufferPointer());
    std::vector<uint32_t> plain(tokens, tokens + code->GetBufferSize() / 4);
    code->Release();
    if (errors) errors->Release();
    bool pixelCode = (plain[0] & 0xffff0000) == 0xffff0000;
    if (pixelCode != shader.pixel) {
        std::fprintf(stderr, "%s: a %s shader was expected\n", path.c_str(), shader.pixel ? "pixel" : "vertex");
        return false;
    }
    out = fxbuild::withConstantTable(plain, shader, source);
    return true;
}

bool buildEffect(const std::string& sourcePath, const std::string& outputFolder) {
    std::string text, error;
    fxbuild::EffectSource source;
    if (!readFile(sourcePath, text)) {
        std::fprintf(stderr, "%s: cannot read\n", sourcePath.c_str());
        return false;
    }
    if (!fxbuild::parseEffectSource(text, source, error)) {
        std::fprintf(stderr, "%s: %s\n", sourcePath.c_str(), error.c_str());
        return false;
    }
    std::string folder = folderOf(sourcePath);
    std::vector<std::vector<fxbuild::PassCode>> code;
    for (const fxbuild::Technique& technique : source.techniques) {
        code.emplace_back();
        for (const fxbuild::Pass& pass : technique.passes) {
            fxbuild::PassCode pc;
            if (!assemble(folder, pass.vertex, source, pc.vertex) || !assemble(folder, pass.pixel, source, pc.pixel)) {
                return false;
            }
            code.back().push_back(pc);
        }
    }
    std::vector<uint8_t> effect = fxbuild::writeEffect(source, code);
    std::string outPath = outputFolder + "/" + stemOf(sourcePath) + ".fxo";
    std::ofstream out(outPath, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(effect.data()), static_cast<std::streamsize>(effect.size()));
    if (!out) {
        std::fprintf(stderr, "%s: cannot write\n", outPath.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: zarn-fxbuild <output-folder> <source.fxa>...\n");
        return 2;
    }
    bool ok = true;
    for (int i = 2; i < argc; ++i) ok = buildEffect(argv[i], argv[1]) && ok;
    return ok ? 0 : 1;
}
