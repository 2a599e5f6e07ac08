# Helpers shared by every folder's CMakeLists.txt.

# Code that goes into the plug-in libraries: C++11, the dialect the host's compiler accepts.
function(msh_plugin_side target)
  set_target_properties(${target} PROPERTIES CXX_STANDARD 11 CXX_STANDARD_REQUIRED ON)
  msh_warnings(${target})
endfunction()

# Everything else (in-memory host implementation, tools, tests): C++17.
function(msh_tool_side target)
  set_target_properties(${target} PROPERTIES CXX_STANDARD 17 CXX_STANDARD_REQUIRED ON)
  msh_warnings(${target})
endfunction()

function(msh_warnings target)
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
