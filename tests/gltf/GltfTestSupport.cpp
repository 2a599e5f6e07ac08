#include "tests/gltf/GltfTestSupport.h"

#include "samples/PngWriter.h"

#include <gtest/gtest.h>

#include <array>
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

Validation validate(const std::string& path, const std::vector<std::string>& allowed) {
    std::string command =
        std::string("node '") + MSH_VALIDATE_SCRIPT + "' --validator '" + MSH_VALIDATOR_DIR + "'";
    for (const std::string& code : allowed)
        command += " --allow " + code;
    command += " '" + path + "' 2>&1";
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

float weightSum(const std::vector<mshgltf::Influence>& influences) {
    float sum = 0.0f;
    for (const mshgltf::Influence& i : influences)
        sum += i.weight;
    return sum;
}

} // namespace gltftest
