# The language server: its library (src/lsp, over the compile core and the
# JSON library), the orvelc-lsp executable beside orvelc, its in-process
# tests, and the latency benchmark that `make bench` runs (built on demand;
# it drives the server with the tests' in-process client). The JSON library
# target comes from the top-level CMakeLists.txt.
find_package(Threads REQUIRED)

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
  add_executable(orvel_lsp_bench EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/bench/LspBench.cpp
                 ${CMAKE_SOURCE_DIR}/tests/lsp/LspHarness.cpp)
  target_include_directories(orvel_lsp_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests/lsp)
  target_link_libraries(orvel_lsp_bench PRIVATE orvel_lsp orvel_bench_script)
endif()
