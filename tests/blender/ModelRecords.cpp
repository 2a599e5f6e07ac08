// model-records FILE: the records of an MSH or BN file as JSON, read with the format library,
// for the Blender add-on check to compare Blender's scene with:
// {"layout", "records": [{"name", "parent", "world": [16], "vertices": [[x, y, z]...] (world,
//   shared as the importer shares them), "corners": [[vertex, u, v]...] (three per face),
//   "weights": [{bone: weight}...] (one per vertex)}]}
#include "format/MshFile.h"
#include "format/TextField.h"

#include <nlohmann/json.hpp>

#include <array>
#include <iostream>
#include <map>

namespace {

using nlohmann::json;

std::string textOf(const char* field) {
    return toUtf8(widenLatin1(readTextField(field, MSH_TEXT_FIELD_SIZE)));
}

// Row vectors, as the files store their transforms.
json worldPoint(const float (&tm)[4][4], const float* p) {
    json point = json::array();
    for (int j = 0; j < 3; ++j)
        point.push_back(p[0] * tm[0][j] + p[1] * tm[1][j] + p[2] * tm[2][j] + tm[3][j]);
    return point;
}

json header(const MshObjectHeader& h) {
    json world = json::array();
    for (const auto& row : h.worldTM)
        for (float v : row)
            world.push_back(v);
    return {{"name", textOf(h.name)},   {"parent", textOf(h.parentName)},
            {"world", world},           {"vertices", json::array()},
            {"corners", json::array()}, {"weights", json::array()}};
}

json legacyRecord(const LegacyRecord& r) {
    json out = header(r.header);
    for (const MshVertex& v : r.vertices) {
        out["vertices"].push_back(worldPoint(r.header.worldTM, v.position));
        out["weights"].push_back(json::object());
    }
    for (const MshFace& f : r.faces)
        for (int c = 0; c < 3; ++c)
            out["corners"].push_back({f.vertex[c], f.uvw[c][0], f.uvw[c][1]});
    for (const MshSkinVertex& s : r.skinVertices)
        for (int k = 0; k < s.count; ++k)
            if (s.weight[k] > 0 && size_t(s.vertex) < r.vertices.size())
                out["weights"][size_t(s.vertex)][textOf(r.boneNames[s.bone[k]])] = s.weight[k];
    return out;
}

// Mesh8 stores corners; the importer welds those of equal position and vertex normal, in
// order of first appearance, and bone record i names the bones of welded vertex i.
json mesh8Record(const Mesh8Record& r) {
    json out = header(r.header);
    std::map<std::array<float, 6>, size_t> welded;
    for (size_t k = 0; k < 3 * size_t(r.header.numFaces); ++k) {
        const Mesh8Vertex& v = r.vertices[r.indices[k]];
        std::array<float, 6> id = {v.position[0],     v.position[1],     v.position[2],
                                   v.vertexNormal[0], v.vertexNormal[1], v.vertexNormal[2]};
        auto found = welded.emplace(id, welded.size());
        size_t i = found.first->second;
        if (found.second) {
            out["vertices"].push_back(worldPoint(r.header.worldTM, v.position));
            json weights = json::object();
            if (i < r.boneRecords.size())
                for (int b = 0; b < r.boneRecords[i].numBones; ++b)
                    if (v.weight[b] > 0)
                        weights[textOf(r.boneRecords[i].boneNames[b])] = v.weight[b];
            out["weights"].push_back(weights);
        }
        out["corners"].push_back({i, v.uv[0], v.uv[1]});
    }
    return out;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: model-records FILE\n";
        return 2;
    }
    MshFileReader reader;
    MshError error;
    if (!reader.open(fromUtf8(argv[1]), error)) {
        std::cerr << "model-records: " << error.describe() << "\n";
        return 1;
    }
    bool mesh8 = reader.layout() == MshLayoutMesh8;
    json file = {{"layout", mesh8 ? "mesh8" : "legacy"}, {"records", json::array()}};
    while (reader.hasNext()) {
        LegacyRecord legacy;
        Mesh8Record record8;
        if (mesh8 ? !reader.readNextMesh8(record8, error) : !reader.readNextLegacy(legacy, error)) {
            std::cerr << "model-records: " << error.describe() << "\n";
            return 1;
        }
        file["records"].push_back(mesh8 ? mesh8Record(record8) : legacyRecord(legacy));
    }
    std::cout << file.dump() << "\n";
    return 0;
}
