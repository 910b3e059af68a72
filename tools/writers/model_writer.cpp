// Model writer: chunk pieces and whole model files.
#include "tools/writers/model_writer.h"

#include <cmath>
#include <cstring>

namespace {

long clampRound(float v, long lo, long hi) {
    if (!(v == v)) return 0;
    const double r = std::nearbyint(static_cast<double>(v));
    return r < lo ? lo : r > hi ? hi : static_cast<long>(r);
}

std::string tagWith(const std::string& family, char encoding) {
    return family + encoding;
}

// The 3 x 4 rows of an affine matrix: rotation scaled as 2.14 and translation as 8.8 for 's'.
ModelBytes encodeBindMatrix(const Mat4& m, char encoding) {
    ModelBytes out;
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column)
            appendBytes(out, encodeComponents({m[4 * column + row]}, encoding, 16384.0f));
        appendBytes(out, encodeComponents({m[12 + row]}, encoding, 256.0f));
    }
    return out;
}

}  // namespace

void appendU8(ModelBytes& out, uint8_t v) {
    out.push_back(v);
}

void appendU16(ModelBytes& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void appendU32(ModelBytes& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void appendF32(ModelBytes& out, float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    appendU32(out, bits);
}

void appendBytes(ModelBytes& out, const ModelBytes& bytes) {
    out.insert(out.end(), bytes.begin(), bytes.end());
}

ModelBytes modelChunk(const char* tag, const ModelBytes& payload) {
    ModelBytes out;
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(tag[i]));
    appendU32(out, static_cast<uint32_t>(payload.size()));
    appendBytes(out, payload);
    return out;
}

ModelBytes joinBytes(std::initializer_list<ModelBytes> parts) {
    ModelBytes out;
    for (const ModelBytes& p : parts) appendBytes(out, p);
    return out;
}

ModelBytes modelName(const std::string& name) {
    ModelBytes out(32, 0);
    std::memcpy(out.data(), name.data(), name.size() < 32 ? name.size() : 32);
    return out;
}

ModelBytes modelFile(const ModelBytes& headPayload) {
    ModelBytes out;
    appendU32(out, kModelLeadWord);
    appendBytes(out, modelChunk("HEAD", headPayload));
    return out;
}

ModelBytes encodeComponents(const std::vector<float>& values, char encoding, float shortScale,
                            float byteScale) {
    ModelBytes out;
    for (float v : values) {
        switch (encoding) {
            case 'i':
                appendU32(out,
                          static_cast<uint32_t>(clampRound(v * 65536.0f, INT32_MIN, INT32_MAX)));
                break;
            case 's':
                appendU16(out, static_cast<uint16_t>(clampRound(v * shortScale, -32768, 32767)));
                break;
            case 'b': appendU8(out, static_cast<uint8_t>(clampRound(v * byteScale, 0, 255))); break;
            default: appendF32(out, v); break;
        }
    }
    return out;
}

ModelBytes meshPayload(const MeshSource& mesh) {
    ModelBytes trli;
    const std::string pos = tagWith("POS", mesh.positionEncoding);
    appendBytes(trli, modelChunk(pos.c_str(),
                                 encodeComponents(mesh.positions, mesh.positionEncoding, 256.0f)));
    if (!mesh.texCoords.empty()) {
        const std::string tag = tagWith(mesh.texTag, mesh.texEncoding);
        appendBytes(trli, modelChunk(tag.c_str(),
                                     encodeComponents(mesh.texCoords, mesh.texEncoding, 1024.0f)));
    }
    if (!mesh.texCoords1.empty()) {
        const std::string tag = tagWith("TX2", mesh.tex1Encoding);
        appendBytes(trli, modelChunk(tag.c_str(), encodeComponents(mesh.texCoords1,
                                                                   mesh.tex1Encoding, 1024.0f)));
    }
    if (!mesh.colours.empty()) appendBytes(trli, modelChunk("COLb", mesh.colours));
    return joinBytes({modelName(mesh.name), modelChunk("TRLI", trli)});
}

ModelBytes skeletonPayload(const SkeletonSource& skeleton) {
    const char e = skeleton.encoding;
    ModelBytes bones;
    for (uint8_t parent : skeleton.parents) {
        appendU8(bones, parent);
        // Rest pose: identity, unused by the engine.
        appendBytes(bones, encodeComponents({0, 0, 0}, e, 256.0f));
        appendBytes(bones, encodeComponents({0, 0, 0, 1}, e, 16384.0f));
    }
    const std::string bonTag = tagWith("BON", e);
    const std::string aniTag = tagWith("ANI", e);
    ModelBytes out = modelChunk(bonTag.c_str(), bones);
    for (const ClipSource& clip : skeleton.clips) {
        ModelBytes keys;
        for (const BoneKey& k : clip.keys) {
            appendBytes(keys, encodeComponents({k.translation.x, k.translation.y, k.translation.z},
                                               e, 256.0f));
            appendBytes(
                keys, encodeComponents({k.rotation.x, k.rotation.y, k.rotation.z, k.rotation.w}, e,
                                       16384.0f));
        }
        appendBytes(out, modelChunk(aniTag.c_str(), keys));
    }
    return out;
}

ModelBytes trixPayload(const SkinSource& skin) {
    ModelBytes out;
    const std::string pos = tagWith("POS", skin.positionEncoding);
    appendBytes(out, modelChunk(pos.c_str(),
                                encodeComponents(skin.positions, skin.positionEncoding, 256.0f)));
    if (!skin.vertexEntries.empty()) {
        ModelBytes v;
        for (uint16_t e : skin.vertexEntries) appendU16(v, e);
        appendBytes(out, modelChunk("VRTs", v));
    }
    ModelBytes faces;
    for (uint16_t i : skin.triangles) appendU16(faces, i);
    appendBytes(out, modelChunk("FACs", faces));
    if (!skin.colours.empty()) appendBytes(out, modelChunk("COLb", skin.colours));
    if (!skin.texCoords.empty()) {
        const std::string tag = tagWith(skin.texTag, skin.texEncoding);
        appendBytes(out, modelChunk(tag.c_str(), encodeComponents(skin.texCoords, skin.texEncoding,
                                                                  1024.0f, 256.0f)));
    }
    if (!skin.texCoords1.empty()) {
        const std::string tag = tagWith("TX2", skin.tex1Encoding);
        appendBytes(out, modelChunk(tag.c_str(), encodeComponents(skin.texCoords1,
                                                                  skin.tex1Encoding, 1024.0f,
                                                                  256.0f)));
    }
    return out;
}

ModelBytes bindPayload(const SkinSource& skin) {
    ModelBytes out;
    const std::string tag = tagWith("MAP", skin.bindingEncoding);
    for (const BindingSource& b : skin.bindings) {
        ModelBytes payload = encodeBindMatrix(b.matrix, skin.bindingEncoding);
        for (uint16_t i : b.indices) appendU16(payload, i);
        appendBytes(out, modelChunk(tag.c_str(), payload));
    }
    return out;
}

ModelBytes weightsPayload(const SkinSource& skin) {
    ModelBytes out;
    const std::string tag = tagWith("MPW", skin.bindingEncoding);
    for (const WeightedBindingSource& b : skin.weighted) {
        ModelBytes payload = encodeBindMatrix(b.matrix, skin.bindingEncoding);
        for (const WeightSource& w : b.entries) {
            appendU16(payload, w.index);
            appendU16(payload, w.flags);
            appendBytes(payload, encodeComponents({w.weight}, skin.bindingEncoding, 16384.0f));
        }
        appendBytes(out, modelChunk(tag.c_str(), payload));
    }
    return out;
}

void ModelWriter::addMesh(const MeshSource& mesh) {
    addChunk("MESH", meshPayload(mesh));
}

void ModelWriter::addSkeleton(const SkeletonSource& skeleton) {
    addChunk("SKEL", skeletonPayload(skeleton));
}

void ModelWriter::addSkin(const SkinSource& skin) {
    ModelBytes payload = joinBytes({modelName(skin.name), modelChunk("TRIX", trixPayload(skin)),
                                    modelChunk("BIND", bindPayload(skin))});
    if (!skin.weighted.empty()) appendBytes(payload, modelChunk("BNDW", weightsPayload(skin)));
    addChunk("SKIN", payload);
}

void ModelWriter::addChunk(const char* tag, const ModelBytes& payload) {
    appendBytes(head_, modelChunk(tag, payload));
}

ModelBytes ModelWriter::build() const {
    return modelFile(head_);
}
