// Constant-table layout (all offsets from the byte after the 'CTAB' tag):
//   header   Size(28) Creator Version Constants ConstantInfo Flags Target
//   info[n]  Name, RegisterSet:16 RegisterIndex:16, RegisterCount:16 Reserved:16, TypeInfo, DefaultValue
//   type[n]  Class:16 Type:16 Rows:16 Columns:16 Elements:16 StructMembers:16 StructMemberInfo
//   strings
#include "ConstantTable.h"

#include "ByteWriter.h"
#include "EffectTypes.h"

namespace fxbuild {

unsigned registerCount(ParamKind kind) { return kind == ParamKind::Float4x4 ? 4 : 1; }

std::vector<uint32_t> withConstantTable(const std::vector<uint32_t>& code, const Shader& shader,
                                        const EffectSource& source) {
    const uint32_t n = static_cast<uint32_t>(shader.bindings.size());
    const uint32_t kHeader = 28, kInfo = 20, kType = 16;
    ByteWriter table;
    table.dword(kHeader);
    uint32_t creatorAt = table.size();
    table.dword(0);
    table.dword(code.empty() ? 0 : code[0]);
    table.dword(n);
    table.dword(kHeader);
    table.dword(0);
    uint32_t targetAt = table.size();
    table.dword(0);

    const uint32_t typesAt = kHeader + n * kInfo;
    std::vector<uint32_t> nameAt;
    for (uint32_t i = 0; i < n; ++i) {
        const Binding& b = shader.bindings[i];
        const Parameter* p = findParameter(source, b.parameter);
        nameAt.push_back(table.size());
        table.dword(0);
        table.word(b.registerSet == 's' ? kRegisterSetSampler : kRegisterSetFloat4);
        table.word(static_cast<uint16_t>(b.index));
        table.word(static_cast<uint16_t>(registerCount(p->kind)));
        table.word(0);
        table.dword(typesAt + i * kType);
        table.dword(0);
    }
    for (uint32_t i = 0; i < n; ++i) {
        TypeShape shape = typeShape(findParameter(source, shader.bindings[i].parameter)->kind);
        table.word(static_cast<uint16_t>(shape.klass));
        table.word(static_cast<uint16_t>(shape.type));
        table.word(static_cast<uint16_t>(shape.rows));
        table.word(static_cast<uint16_t>(shape.columns));
        table.word(1);
        table.word(0);
        table.dword(0);
    }
    for (uint32_t i = 0; i < n; ++i) {
        table.patch(nameAt[i], table.size());
        table.paddedString(shader.bindings[i].parameter);
    }
    table.patch(creatorAt, table.size());
    table.paddedString("zarn-fxbuild");
    table.patch(targetAt, table.size());
    uint32_t version = code.empty() ? 0 : code[0];
    std::string target = std::string(shader.pixel ? "ps_" : "vs_") + std::to_string((version >> 8) & 0xff) + "_" +
                         std::to_string(version & 0xff);
    table.paddedString(target);

    const uint32_t ctab = 0x42415443;  // 'CTAB'
    uint32_t commentDwords = 1 + table.size() / 4;
    std::vector<uint32_t> out;
    out.push_back(code[0]);
    out.push_back(0xfffe | (commentDwords << 16));
    out.push_back(ctab);
    const std::vector<uint8_t>& bytes = table.bytes();
    for (size_t i = 0; i < bytes.size(); i += 4) {
        out.push_back(bytes[i] | bytes[i + 1] << 8 | bytes[i + 2] << 16 | static_cast<uint32_t>(bytes[i + 3]) << 24);
    }
    out.insert(out.end(), code.begin() + 1, code.end());
    return out;
}

}  // namespace fxbuild
