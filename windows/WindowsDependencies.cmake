# mshtool's dependencies for the MinGW build, from Debian's header packages: CLI11 and
# nlohmann-json are header-only; tinygltf is compiled here from its header with the stb image
# headers (Debian's libtinygltf-dev ships it compiled for Linux only). Only these headers are
# put on the include path, never the rest of /usr/include, whose C library headers would
# shadow MinGW's.
set(msh_deps_include ${CMAKE_BINARY_DIR}/deps-include)
file(MAKE_DIRECTORY ${msh_deps_include})
foreach(entry
    "CLI=/usr/include/CLI=libcli11-dev"
    "nlohmann=/usr/include/nlohmann=nlohmann-json3-dev"
    "tiny_gltf.h=/usr/include/tiny_gltf.h=libtinygltf-dev"
    "stb_image.h=/usr/include/stb/stb_image.h=libstb-dev"
    "stb_image_write.h=/usr/include/stb/stb_image_write.h=libstb-dev")
  string(REPLACE "=" ";" parts "${entry}")
  list(GET parts 0 name)
  list(GET parts 1 source)
  list(GET parts 2 package)
  if(NOT EXISTS ${source})
    message(FATAL_ERROR "${source} is missing: install the Debian package ${package} "
                        "(scripts/install-deps.sh windows)")
  endif()
  file(CREATE_LINK ${source} ${msh_deps_include}/${name} SYMBOLIC)
endforeach()

add_library(CLI11::CLI11 INTERFACE IMPORTED GLOBAL)
target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${msh_deps_include})
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED GLOBAL)
target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${msh_deps_include})

add_library(msh_tinygltf STATIC ${CMAKE_CURRENT_LIST_DIR}/TinyGltfImplementation.cpp)
target_include_directories(msh_tinygltf SYSTEM PUBLIC ${msh_deps_include})
set_target_properties(msh_tinygltf PROPERTIES CXX_STANDARD 17 CXX_STANDARD_REQUIRED ON)
# Someone else's code: its warnings are not ours to fix.
target_compile_options(msh_tinygltf PRIVATE -w)
add_library(TinyGLTF::TinyGLTF ALIAS msh_tinygltf)

# The folders' find_package calls find these targets through empty package files.
foreach(package CLI11 nlohmann_json TinyGLTF)
  file(WRITE ${CMAKE_BINARY_DIR}/packages/${package}/${package}Config.cmake
       "# Defined by windows/WindowsDependencies.cmake.\n")
  set(${package}_DIR ${CMAKE_BINARY_DIR}/packages/${package} CACHE PATH "" FORCE)
endforeach()
