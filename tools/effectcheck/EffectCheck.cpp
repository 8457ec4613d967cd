// zarn-effectcheck: parses effect files with the saver's own parser and compiles and links
// both stages of each pass with glslangValidator, exactly as the device would see it (version line, the
// device's vertex prelude, the parameter uniforms). Exits non-zero on the first broken file,
// after reporting every problem in it with the assembled source, so the build log is enough
// to find the fault.
#include "d3dx9/EffectFile.h"

#include <ZarnShaderDevice.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <map>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The device puts its prelude right after the #version line of every vertex shader.
std::string withVertexPrelude(const std::string& source) {
    size_t lineEnd = source.find('\n');
    if (source.rfind("#version", 0) != 0 || lineEnd == std::string::npos) {
        return "#version 330 core\n" + std::string(ZARN_GLSL_VERTEX_PRELUDE) + source;
    }
    return source.substr(0, lineEnd + 1) + ZARN_GLSL_VERTEX_PRELUDE + source.substr(lineEnd + 1);
}

std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') quoted += "'\\''";
        else quoted += c;
    }
    return quoted + "'";
}

std::string numbered(const std::string& source) {
    std::istringstream in(source);
    std::ostringstream out;
    std::string line;
    int n = 1;
    while (std::getline(in, line)) out << n++ << ": " << line << '\n';
    return out.str();
}

// glslang does not match one stage's outputs with the next stage's inputs, but the driver's
// linker does; a mismatch there would drop the saver onto the fallback without a word. The
// interface lines are simple ("in vec3 vNormal;"), so a word-level reading is enough.
std::map<std::string, std::string> interfaceVariables(const std::string& source, const std::string& direction) {
    std::map<std::string, std::string> found;
    std::istringstream in(source);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::vector<std::string> w;
        std::string word;
        while (words >> word) w.push_back(word);
        size_t i = 0;
        while (i < w.size() && (w[i] == "flat" || w[i] == "smooth" || w[i] == "noperspective")) ++i;
        if (i + 2 >= w.size() || w[i] != direction) continue;
        if (w.size() - i != 3 || w[i + 2].size() < 2 || w[i + 2].back() != ';') continue;
        found[w[i + 2].substr(0, w[i + 2].size() - 1)] = w[i + 1];
    }
    return found;
}

bool interfacesMatch(const std::string& label, const std::string& vertex, const std::string& fragment) {
    std::map<std::string, std::string> outputs = interfaceVariables(vertex, "out");
    bool ok = true;
    for (const auto& [name, type] : interfaceVariables(fragment, "in")) {
        auto match = outputs.find(name);
        if (match == outputs.end() || match->second != type) {
            std::cerr << "error: " << label << ": the fragment shader reads '" << type << " " << name
                      << "', which the vertex shader does not write\n";
            ok = false;
        }
    }
    return ok;
}

// Both stages in one run with -l, so glslang also links them: an output the fragment stage
// reads but the vertex stage never writes is caught here too.
bool validatePass(const std::string& validator, const fs::path& work, const std::string& label,
                  const std::string& vertex, const std::string& fragment) {
    fs::path vertexFile = work / (label + ".vert");
    fs::path fragmentFile = work / (label + ".frag");
    std::ofstream(vertexFile, std::ios::binary) << vertex;
    std::ofstream(fragmentFile, std::ios::binary) << fragment;
    fs::path output = work / (label + ".log");
    std::string command = shellQuoted(validator) + " -l " + shellQuoted(vertexFile.string()) + " " +
                          shellQuoted(fragmentFile.string()) + " > " + shellQuoted(output.string()) + " 2>&1";
    bool linked = interfacesMatch(label, vertex, fragment);
    if (std::system(command.c_str()) == 0) return linked;
    std::ifstream log(output);
    std::cerr << "error: " << label << " does not compile and link:\n"
              << log.rdbuf() << "\n--- vertex shader as compiled ---\n"
              << numbered(vertex) << "--- fragment shader as compiled ---\n"
              << numbered(fragment);
    return false;
}

// Names a stage tests with #ifdef or #ifndef: the saver may define any of them when it loads
// the file (D3DXMACRO), so each variant must compile as well as the plain text.
std::vector<std::string> testedMacros(const zarnfx::EffectFileDesc& desc, const zarnfx::PassDesc& pass) {
    std::vector<std::string> names;
    std::istringstream in(desc.commonSource + "\n" + pass.vertexSource + "\n" + pass.fragmentSource);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string directive;
        std::string name;
        if (!(words >> directive >> name) || (directive != "#ifdef" && directive != "#ifndef")) continue;
        bool seen = false;
        for (const std::string& known : names) seen = seen || known == name;
        if (!seen && zarnfx::isValidMacro(name, "1")) names.push_back(name);
    }
    return names;
}

bool checkFile(const std::string& path, const std::string& validator, const fs::path& work) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::cerr << "error: " << path << ": cannot be read\n";
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    zarnfx::EffectFileDesc desc;
    std::string problem;
    if (!zarnfx::parseEffectFile(text.str(), &desc, &problem)) {
        std::cerr << path << ": error: " << problem << '\n';
        return false;
    }
    if (validator.empty()) return true;
    bool ok = true;
    std::string base = fs::path(path).stem().string();
    for (const zarnfx::TechniqueDesc& tech : desc.techniques) {
        for (const zarnfx::PassDesc& pass : tech.passes) {
            std::string label = base + "." + tech.name + "." + pass.name;
            ok = validatePass(validator, work, label, withVertexPrelude(zarnfx::stageSource(desc, pass, false)),
                              zarnfx::stageSource(desc, pass, true)) &&
                 ok;
            for (const std::string& macro : testedMacros(desc, pass)) {
                zarnfx::EffectFileDesc variant = desc;
                variant.macros.push_back({macro, "1"});
                ok = validatePass(validator, work, label + "." + macro,
                                  withVertexPrelude(zarnfx::stageSource(variant, pass, false)),
                                  zarnfx::stageSource(variant, pass, true)) &&
                     ok;
            }
        }
    }
    if (!ok) std::cerr << path << ": error: shaders above do not compile\n";
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    std::string validator;
    fs::path work = fs::temp_directory_path() / "zarn-effectcheck";
    std::string stamp;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--glslang" && i + 1 < argc) validator = argv[++i];
        else if (arg == "--work" && i + 1 < argc) work = argv[++i];
        else if (arg == "--stamp" && i + 1 < argc) stamp = argv[++i];
        else files.push_back(arg);
    }
    std::error_code ec;
    fs::create_directories(work, ec);
    bool ok = true;
    for (const std::string& file : files) ok = checkFile(file, validator, work) && ok;
    if (!ok) return 1;
    if (!stamp.empty()) std::ofstream(stamp) << files.size() << " effect files checked\n";
    return 0;
}
