// fx_2_0 layout: the tag 0xFEFF0901, the offset of the header, then a data area that everything
// refers to by offset from its start (names as length + text, type definitions, initial
// values), the header (counts, parameters, techniques with their passes' states) and last the
// resources: shader code for the shader states and, for each sampler, the name of the texture
// parameter its Texture state reads.
#include "EffectWriter.h"

#include "ByteWriter.h"
#include "EffectTypes.h"

namespace fxbuild {
namespace {

// Positions in the effect format's state table.
const uint32_t kStateVertexShader = 0x92;
const uint32_t kStatePixelShader = 0x93;
const uint32_t kStateTexture = 0xa4;

struct StateRecord {
    uint32_t operation, typedefAt, valueAt;
};

struct Resource {
    uint32_t technique, index, state, usage;
    std::vector<uint8_t> data;
};

class Writer {
public:
    uint32_t name(const std::string& text) {
        if (text.empty()) return 0;  // the area starts with a zero length: the empty name
        uint32_t at = data_.size();
        data_.dword(static_cast<uint32_t>(text.size() + 1));
        data_.paddedString(text);
        return at;
    }
    uint32_t typeDefinition(uint32_t type, uint32_t klass, const std::string& typeName, uint32_t rows,
                            uint32_t columns) {
        uint32_t nameAt = name(typeName);
        uint32_t at = data_.size();
        data_.dword(type);
        data_.dword(klass);
        data_.dword(nameAt);
        data_.dword(0);  // no semantic
        data_.dword(0);  // not an array
        if (klass == kClassVector) {
            data_.dword(columns);
            data_.dword(rows);
        } else if (klass != kClassObject) {
            data_.dword(rows);
            data_.dword(columns);
        }
        return at;
    }
    uint32_t dwordValue(uint32_t value) {
        uint32_t at = data_.size();
        data_.dword(value);
        return at;
    }
    // A constant state: an int for render and sampler states.
    StateRecord intState(uint32_t operation, uint32_t value) {
        return {operation, typeDefinition(kTypeInt, kClassScalar, "", 1, 1), dwordValue(value)};
    }
    StateRecord objectState(uint32_t operation, uint32_t type, uint32_t objectId) {
        return {operation, typeDefinition(type, kClassObject, "", 0, 0), dwordValue(objectId)};
    }
    uint32_t newObject() { return objects_++; }

    ByteWriter data_;
    uint32_t objects_ = 1;  // object 0 stays unused
};

void putState(ByteWriter& out, const StateRecord& s) {
    out.dword(s.operation);
    out.dword(0);
    out.dword(s.typedefAt);
    out.dword(s.valueAt);
}

std::vector<uint8_t> codeBytes(const std::vector<uint32_t>& code) {
    ByteWriter w;
    for (uint32_t token : code) w.dword(token);
    return w.bytes();
}

}  // namespace

std::vector<uint8_t> writeEffect(const EffectSource& source, const std::vector<std::vector<PassCode>>& code) {
    Writer w;
    w.data_.dword(0);
    std::vector<Resource> resources;

    struct ParamRecord {
        uint32_t typedefAt, valueAt;
    };
    std::vector<ParamRecord> params;
    for (uint32_t pi = 0; pi < source.parameters.size(); ++pi) {
        const Parameter& p = source.parameters[pi];
        TypeShape shape = effectShape(p.kind);
        ParamRecord record{};
        record.typedefAt = w.typeDefinition(shape.type, shape.klass, p.name, shape.rows, shape.columns);
        if (shape.klass != kClassObject) {
            record.valueAt = w.data_.size();
            for (uint32_t i = 0; i < shape.rows * shape.columns; ++i) {
                w.data_.floatValue(i < p.initial.size() ? p.initial[i] : 0.0f);
            }
        } else if (p.kind == ParamKind::Texture2D || p.kind == ParamKind::TextureCube) {
            record.valueAt = w.dwordValue(w.newObject());
        } else {
            // A sampler: its Texture state names the texture parameter, then its own states.
            std::vector<StateRecord> states;
            uint32_t textureObject = w.newObject();
            states.push_back(w.objectState(kStateTexture, kTypeTexture, textureObject));
            std::vector<uint8_t> textureName(p.texture.begin(), p.texture.end());
            textureName.push_back(0);
            resources.push_back(Resource{0xffffffff, pi, 0, 1, textureName});
            for (const SamplerState& s : p.states) states.push_back(w.intState(s.operation, s.value));
            record.valueAt = w.data_.size();
            w.data_.dword(static_cast<uint32_t>(states.size()));
            for (const StateRecord& s : states) putState(w.data_, s);
        }
        params.push_back(record);
    }

    struct PassRecord {
        uint32_t nameAt;
        std::vector<StateRecord> states;
    };
    struct TechniqueRecord {
        uint32_t nameAt;
        std::vector<PassRecord> passes;
    };
    std::vector<TechniqueRecord> techniques;
    for (uint32_t t = 0; t < source.techniques.size(); ++t) {
        const Technique& technique = source.techniques[t];
        TechniqueRecord tr{w.name(technique.name), {}};
        for (uint32_t p = 0; p < technique.passes.size(); ++p) {
            const Pass& pass = technique.passes[p];
            PassRecord pr{w.name(pass.name), {}};
            for (const RenderState& s : pass.states) pr.states.push_back(w.intState(s.operation, s.value));
            uint32_t vertexIndex = static_cast<uint32_t>(pr.states.size());
            pr.states.push_back(w.objectState(kStateVertexShader, kTypeVertexShader, w.newObject()));
            pr.states.push_back(w.objectState(kStatePixelShader, kTypePixelShader, w.newObject()));
            resources.push_back(Resource{t, p, vertexIndex, 0, codeBytes(code[t][p].vertex)});
            resources.push_back(Resource{t, p, vertexIndex + 1, 0, codeBytes(code[t][p].pixel)});
            tr.passes.push_back(pr);
        }
        techniques.push_back(tr);
    }

    ByteWriter& out = w.data_;
    const uint32_t headerAt = out.size();
    out.dword(static_cast<uint32_t>(source.parameters.size()));
    out.dword(static_cast<uint32_t>(source.techniques.size()));
    out.dword(0);
    out.dword(w.objects_);
    for (const ParamRecord& p : params) {
        out.dword(p.typedefAt);
        out.dword(p.valueAt);
        out.dword(0);  // flags
        out.dword(0);  // annotations
    }
    for (const TechniqueRecord& t : techniques) {
        out.dword(t.nameAt);
        out.dword(0);
        out.dword(static_cast<uint32_t>(t.passes.size()));
        for (const PassRecord& p : t.passes) {
            out.dword(p.nameAt);
            out.dword(0);
            out.dword(static_cast<uint32_t>(p.states.size()));
            for (const StateRecord& s : p.states) putState(out, s);
        }
    }
    out.dword(0);  // strings
    out.dword(static_cast<uint32_t>(resources.size()));
    for (const Resource& r : resources) {
        out.dword(r.technique);
        out.dword(r.index);
        out.dword(0xffffffff);  // no array element
        out.dword(r.state);
        out.dword(r.usage);
        out.dword(static_cast<uint32_t>(r.data.size()));
        out.raw(r.data.data(), r.data.size());
    }

    ByteWriter file;
    file.dword(0xfeff0901);
    file.dword(headerAt);
    file.raw(out.bytes().data(), out.size());
    return file.bytes();
}

}  // namespace fxbuild
