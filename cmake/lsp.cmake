# The language server: its library (src/lsp, over the compile core and the
# JSON library), the orvelc-lsp executable beside orvelc, and its in-process
# tests. The cross build finds the header-only JSON library on the host:
# its folder alone is put on the include path, never the host's /usr/include.
find_package(Threads REQUIRED)
if(NOT TARGET nlohmann_json::nlohmann_json)
  find_package(nlohmann_json 3 QUIET)
endif()
if(NOT TARGET nlohmann_json::nlohmann_json)
  find_path(ORVEL_JSON_INCLUDE nlohmann/json.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  set(json_dir ${CMAKE_BINARY_DIR}/json-include)
  file(MAKE_DIRECTORY ${json_dir})
  file(CREATE_LINK ${ORVEL_JSON_INCLUDE}/nlohmann ${json_dir}/nlohmann SYMBOLIC)
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
  set_target_properties(nlohmann_json::nlohmann_json PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${json_dir})
endif()

orvel_subsystem(lsp orvel_compile orvel_builtins nlohmann_json::nlohmann_json Threads::Threads)

add_executable(orvelc-lsp ${CMAKE_SOURCE_DIR}/tools/orvelc-lsp.cpp)
target_link_libraries(orvelc-lsp PRIVATE orvel_lsp)
set_target_properties(orvelc-lsp PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
# The server ships inside the editor extension: no C++ runtime of the
# machine it lands on is assumed.
if(CMAKE_SYSTEM_NAME STREQUAL "Linux" AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU"
   AND NOT CMAKE_CXX_FLAGS MATCHES "sanitize")
  target_link_options(orvelc-lsp PRIVATE -static-libstdc++ -static-libgcc)
endif()

if(NOT CMAKE_CROSSCOMPILING)
  enable_testing()
  include(GoogleTest)
  file(GLOB lsp_test_srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/lsp/*.cpp)
  if(lsp_test_srcs)
    add_executable(test_lsp ${lsp_test_srcs})
    target_link_libraries(test_lsp PRIVATE orvel_lsp GTest::gtest_main)
    target_compile_definitions(test_lsp PRIVATE ORVEL_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
    gtest_discover_tests(test_lsp DISCOVERY_TIMEOUT 60)
  endif()
endif()
