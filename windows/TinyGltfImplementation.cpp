// tinygltf's implementation for the Windows build, with the stb image headers it reads and
// writes pictures with, as Debian's Linux build of the library has them.
#define TINYGLTF_IMPLEMENTATION
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <tiny_gltf.h>
