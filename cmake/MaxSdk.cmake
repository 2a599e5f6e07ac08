# The build against the real 3ds Max SDK (MSH_MAX_SDK_DIR: the SDK folder holding include/ and
# lib/x64/Release/). Visual C++ on Windows only. Defines the interface targets maxsdk (the
# SDK's include folders, MSH_REAL_SDK under which the host/ headers forward to the SDK's own,
# and the core libraries) and maxsdk_igame (igame.lib, for the exporter), and sets
# MSH_PLUGIN_CXX_STANDARD to what the SDK's headers need.

if(NOT MSVC)
  message(FATAL_ERROR "MSH_MAX_SDK_DIR is set: the plug-ins are built against the real SDK "
                      "with Visual C++ on Windows only (unset it for the in-memory host build)")
endif()
if(NOT CMAKE_SIZEOF_VOID_P EQUAL 8)
  message(FATAL_ERROR "MSH_MAX_SDK_DIR is set: the host is 64-bit; configure for x64")
endif()

set(msh_sdk_include ${MSH_MAX_SDK_DIR}/include)
set(msh_sdk_lib ${MSH_MAX_SDK_DIR}/lib/x64/Release)
foreach(needed ${msh_sdk_include}/max.h ${msh_sdk_include}/IGame/IGame.h)
  if(NOT EXISTS ${needed})
    message(FATAL_ERROR "MSH_MAX_SDK_DIR=${MSH_MAX_SDK_DIR}: ${needed} is missing")
  endif()
endforeach()

# SDKs of 2022 (version 24) and later need C++17; the earlier ones are built as C++11.
set(MSH_PLUGIN_CXX_STANDARD 11)
set(msh_sdk_version_header ${msh_sdk_include}/maxversion.h)
if(EXISTS ${msh_sdk_version_header})
  file(STRINGS ${msh_sdk_version_header} msh_sdk_version_line
       REGEX "^#define[ \t]+MAX_VERSION_MAJOR[ \t]+[0-9]+")
  string(REGEX MATCH "[0-9]+$" msh_sdk_version "${msh_sdk_version_line}")
  if(msh_sdk_version GREATER_EQUAL 24)
    set(MSH_PLUGIN_CXX_STANDARD 17)
  endif()
  message(STATUS "3ds Max SDK version ${msh_sdk_version}: plug-ins built as C++${MSH_PLUGIN_CXX_STANDARD}")
endif()

# The SDK's libraries are built with the release runtime; the plug-ins must use it too.
set(CMAKE_MSVC_RUNTIME_LIBRARY MultiThreadedDLL)
enable_language(RC)

function(msh_sdk_libraries target)
  foreach(name ${ARGN})
    set(file ${msh_sdk_lib}/${name}.lib)
    if(NOT EXISTS ${file})
      message(FATAL_ERROR "MSH_MAX_SDK_DIR=${MSH_MAX_SDK_DIR}: ${file} is missing")
    endif()
    target_link_libraries(${target} INTERFACE ${file})
  endforeach()
endfunction()

add_library(maxsdk INTERFACE)
# The IGame folder too: its headers include each other by bare name.
target_include_directories(maxsdk INTERFACE ${msh_sdk_include} ${msh_sdk_include}/IGame)
# No NOMINMAX: the older SDK headers need the Windows min and max macros.
target_compile_definitions(maxsdk INTERFACE MSH_REAL_SDK UNICODE _UNICODE)
msh_sdk_libraries(maxsdk core geom mesh maxutil paramblk2 bmm)

add_library(maxsdk_igame INTERFACE)
target_link_libraries(maxsdk_igame INTERFACE maxsdk)
msh_sdk_libraries(maxsdk_igame igame)
