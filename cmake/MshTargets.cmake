# Helpers shared by every folder's CMakeLists.txt.

# Code that goes into the plug-in libraries: C++11, the dialect the host's compiler accepts
# (C++17 against an SDK of 2022 or later, whose headers need it: cmake/MaxSdk.cmake).
function(msh_plugin_side target)
  if(NOT MSH_PLUGIN_CXX_STANDARD)
    set(MSH_PLUGIN_CXX_STANDARD 11)
  endif()
  set_target_properties(${target} PROPERTIES CXX_STANDARD ${MSH_PLUGIN_CXX_STANDARD}
                                             CXX_STANDARD_REQUIRED ON)
  msh_warnings(${target})
endfunction()

# The host that plug-in code is built against: the real SDK (MSH_MAX_SDK_DIR) or the
# in-memory maxhost. WITH_IGAME adds IGame, which only the exporter needs.
function(msh_link_host target)
  cmake_parse_arguments(ARG "WITH_IGAME" "" "" ${ARGN})
  if(TARGET maxsdk AND ARG_WITH_IGAME)
    target_link_libraries(${target} PUBLIC maxsdk_igame)
  elseif(TARGET maxsdk)
    target_link_libraries(${target} PUBLIC maxsdk)
  elseif(TARGET maxhost)
    target_link_libraries(${target} PUBLIC maxhost)
  endif()
endfunction()

# Everything else (in-memory host implementation, tools, tests): C++17.
function(msh_tool_side target)
  set_target_properties(${target} PROPERTIES CXX_STANDARD 17 CXX_STANDARD_REQUIRED ON)
  msh_warnings(${target})
endfunction()

function(msh_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W3)
    if(MSH_WERROR)
      target_compile_options(${target} PRIVATE /WX)
    endif()
    return()
  endif()
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow)
  if(MSH_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# A GoogleTest binary whose cases are registered one by one in CTest.
function(msh_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  msh_tool_side(${name})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endfunction()
