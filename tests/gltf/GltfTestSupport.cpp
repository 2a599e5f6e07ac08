#include "tests/gltf/GltfTestSupport.h"

#include "gltf/core/GltfAccessors.h"
#include "samples/PngWriter.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/wait.h>

namespace gltftest {

ModelBuilder::ModelBuilder() {
    model.asset.version = "2.0";
    model.scenes.emplace_back();
    model.defaultScene = 0;
}

tinygltf::Primitive ModelBuilder::primitive(int position, const std::vector<uint32_t>& indices,
                                            int mode, int material) {
    tinygltf::Primitive p;
    p.attributes["POSITION"] = position;
    if (!indices.empty())
        p.indices = writer.addIndices(indices);
    p.mode = mode;
    p.material = material;
    return p;
}

int ModelBuilder::node(const std::string& name, int mesh, int parent) {
    tinygltf::Node n;
    n.name = name;
    n.mesh = mesh;
    model.nodes.push_back(n);
    int index = int(model.nodes.size() - 1);
    if (parent >= 0)
        model.nodes[size_t(parent)].children.push_back(index);
    else
        model.scenes[0].nodes.push_back(index);
    return index;
}

int ModelBuilder::mesh(const std::vector<tinygltf::Primitive>& primitives) {
    tinygltf::Mesh m;
    m.name = "mesh" + std::to_string(model.meshes.size());
    m.primitives = primitives;
    model.meshes.push_back(m);
    return int(model.meshes.size() - 1);
}

int ModelBuilder::material(const std::string& name) {
    tinygltf::Material m;
    m.name = name;
    model.materials.push_back(m);
    return int(model.materials.size() - 1);
}

// Appends `bytes` to buffer 0 on a 4-byte boundary, as a buffer view of its own.
static int addView(tinygltf::Model& model, const std::vector<unsigned char>& bytes) {
    if (model.buffers.empty())
        model.buffers.emplace_back();
    std::vector<unsigned char>& data = model.buffers[0].data;
    while (data.size() % 4)
        data.push_back(0);
    tinygltf::BufferView view;
    view.buffer = 0;
    view.byteOffset = data.size();
    view.byteLength = bytes.size();
    data.insert(data.end(), bytes.begin(), bytes.end());
    model.bufferViews.push_back(view);
    return int(model.bufferViews.size() - 1);
}

int ModelBuilder::raw(const std::vector<unsigned char>& bytes, int componentType, int type,
                      size_t count, bool normalized) {
    tinygltf::Accessor accessor;
    accessor.bufferView = addView(model, bytes);
    accessor.componentType = componentType;
    accessor.type = type;
    accessor.count = count;
    accessor.normalized = normalized;
    model.accessors.push_back(accessor);
    return int(model.accessors.size() - 1);
}

int ModelBuilder::embeddedImage(const std::vector<unsigned char>& encoded,
                                const std::string& name) {
    tinygltf::Image image;
    image.name = name;
    image.mimeType = "image/png";
    image.bufferView = addView(model, encoded);
    model.images.push_back(image);
    tinygltf::Texture texture;
    texture.source = int(model.images.size() - 1);
    model.textures.push_back(texture);
    return int(model.textures.size() - 1);
}

std::vector<unsigned char> fileBytes(const std::string& path) {
    std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
    return std::vector<unsigned char>((std::istreambuf_iterator<char>(in)),
                                      std::istreambuf_iterator<char>());
}

std::vector<unsigned char> pngBytes(uint8_t shade) {
    std::string path = scratchFolder("png") + "/shade.png";
    std::vector<uint8_t> rgb(4 * 4 * 3, shade);
    EXPECT_TRUE(samples::writePng(path, 4, 4, rgb)) << path;
    return fileBytes(path);
}

std::string scratchFolder(const std::string& name) {
    std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                   ("mshgltf-test-" + std::to_string(getpid())) / name;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder.string();
}

void writePng(const std::string& path) {
    std::vector<uint8_t> rgb(4 * 4 * 3, 200);
    ASSERT_TRUE(samples::writePng(path, 4, 4, rgb)) << path;
}

namespace {

Validation runCommand(const std::string& command) {
    Validation result;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        result.output = "cannot run " + command;
        return result;
    }
    std::array<char, 512> buffer;
    while (fgets(buffer.data(), int(buffer.size()), pipe))
        result.output += buffer.data();
    int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::vector<mshgltf::AffineMatrix> nodeWorlds(const tinygltf::Model& model) {
    using mshgltf::AffineMatrix;
    std::vector<int> parent(model.nodes.size(), -1);
    for (size_t n = 0; n < model.nodes.size(); ++n)
        for (int child : model.nodes[n].children)
            parent[size_t(child)] = int(n);
    std::vector<AffineMatrix> world(model.nodes.size());
    for (size_t n = 0; n < model.nodes.size(); ++n) {
        world[n] = AffineMatrix::identity();
        for (int p = int(n); p >= 0; p = parent[size_t(p)]) {
            const tinygltf::Node& node = model.nodes[size_t(p)];
            AffineMatrix local;
            if (!mshgltf::fromGltfArray(node.matrix, local))
                local = mshgltf::fromTranslationRotationScale(node.translation, node.rotation,
                                                              node.scale);
            world[n] = world[n] * local;
        }
    }
    return world;
}

std::vector<double> accessorValues(const tinygltf::Model& model, int accessor) {
    mshgltf::AccessorValues values;
    std::string error;
    EXPECT_TRUE(mshgltf::readAccessor(model, accessor, values, error)) << error;
    return values.values;
}

} // namespace

Validation validate(const std::string& path, const std::vector<std::string>& allowed) {
    std::string command =
        std::string("node '") + MSH_VALIDATE_SCRIPT + "' --validator '" + MSH_VALIDATOR_DIR + "'";
    for (const std::string& code : allowed)
        command += " --allow " + code;
    return runCommand(command + " '" + path + "' 2>&1");
}

Validation assimpExport(const std::string& path) {
    std::string obj = scratchFolder("assimp") + "/out.obj";
    return runCommand("assimp export '" + path + "' '" + obj + "' 2>&1");
}

std::vector<Point3> drawnCorners(const tinygltf::Model& model, int nodeIndex) {
    using mshgltf::AffineMatrix;
    std::vector<AffineMatrix> world = nodeWorlds(model);
    const tinygltf::Node& node = model.nodes.at(size_t(nodeIndex));
    std::vector<AffineMatrix> jointMatrices; // inverse bind x joint world
    if (node.skin >= 0) {
        const tinygltf::Skin& skin = model.skins.at(size_t(node.skin));
        std::vector<double> ibm = accessorValues(model, skin.inverseBindMatrices);
        for (size_t j = 0; j < skin.joints.size(); ++j) {
            AffineMatrix inverseBind;
            mshgltf::fromGltfArray(
                std::vector<double>(ibm.begin() + long(j * 16), ibm.begin() + long(j * 16 + 16)),
                inverseBind);
            jointMatrices.push_back(inverseBind * world[size_t(skin.joints[j])]);
        }
    }
    std::vector<Point3> corners;
    for (const tinygltf::Primitive& primitive : model.meshes.at(size_t(node.mesh)).primitives) {
        std::vector<double> p = accessorValues(model, primitive.attributes.at("POSITION"));
        std::vector<double> joints, weights;
        if (node.skin >= 0) {
            joints = accessorValues(model, primitive.attributes.at("JOINTS_0"));
            weights = accessorValues(model, primitive.attributes.at("WEIGHTS_0"));
        }
        for (double index : accessorValues(model, primitive.indices)) {
            size_t v = size_t(index);
            double at[3] = {0, 0, 0};
            for (int k = 0; k < (node.skin >= 0 ? 4 : 1); ++k) {
                double w = node.skin >= 0 ? weights[v * 4 + size_t(k)] : 1.0;
                const AffineMatrix& m = node.skin >= 0
                                            ? jointMatrices.at(size_t(joints[v * 4 + size_t(k)]))
                                            : world[size_t(nodeIndex)];
                for (int c = 0; c < 3; ++c)
                    at[c] += w * (p[v * 3] * m.m[0][c] + p[v * 3 + 1] * m.m[1][c] +
                                  p[v * 3 + 2] * m.m[2][c] + m.m[3][c]);
            }
            corners.push_back(
                mshgltf::pointFromGltf(Point3(float(at[0]), float(at[1]), float(at[2]))));
        }
    }
    return corners;
}

std::vector<Point3> hostCorners(INode* node) {
    std::vector<Point3> corners;
    Object* object = node->EvalWorldState(0).obj;
    TriObject* tri =
        static_cast<TriObject*>(object->ConvertToType(0, Class_ID(TRIOBJ_CLASS_ID, 0)));
    const Mesh& mesh = tri->GetMesh();
    Matrix3 tm = node->GetObjectTM(0);
    for (int f = 0; f < mesh.numFaces; ++f)
        for (int k = 0; k < 3; ++k)
            corners.push_back(mesh.verts[mesh.faces[f].v[k]] * tm);
    if (tri != object)
        tri->DeleteMe();
    return corners;
}

void expectSameCorners(const std::vector<Point3>& got, const std::vector<Point3>& expected,
                       float tolerance, const std::string& what) {
    ASSERT_EQ(got.size(), expected.size()) << what;
    for (size_t c = 0; c < got.size(); ++c) {
        Point3 d = got[c] - expected[c];
        EXPECT_TRUE(std::fabs(d.x) <= tolerance && std::fabs(d.y) <= tolerance &&
                    std::fabs(d.z) <= tolerance)
            << what << " corner " << c << ": (" << got[c].x << ", " << got[c].y << ", " << got[c].z
            << "), expected (" << expected[c].x << ", " << expected[c].y << ", " << expected[c].z
            << ")";
    }
}

float weightSum(const std::vector<mshgltf::Influence>& influences) {
    float sum = 0.0f;
    for (const mshgltf::Influence& i : influences)
        sum += i.weight;
    return sum;
}

} // namespace gltftest
