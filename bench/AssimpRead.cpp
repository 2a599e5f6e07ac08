// bench-assimp-read FILE: loads a model with Assimp::Importer::ReadFile in this fresh process
// and prints what it holds, so its time and peak memory can be measured from outside.

#include <assimp/Importer.hpp>
#include <assimp/scene.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench-assimp-read FILE\n");
        return 2;
    }
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(argv[1], 0);
    if (!scene) {
        std::fprintf(stderr, "bench-assimp-read: %s\n", importer.GetErrorString());
        return 1;
    }
    unsigned long vertices = 0, faces = 0, bones = 0;
    for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
        vertices += scene->mMeshes[m]->mNumVertices;
        faces += scene->mMeshes[m]->mNumFaces;
        bones += scene->mMeshes[m]->mNumBones;
    }
    std::printf("{\"meshes\": %u, \"vertices\": %lu, \"faces\": %lu, \"bones\": %lu}\n",
                scene->mNumMeshes, vertices, faces, bones);
    return 0;
}
