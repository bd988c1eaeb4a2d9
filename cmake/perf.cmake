# Helper of `make bench` (mk/perf.mk): writes long scripts with their C
# counterparts and measures peak memory. Not part of `all`; the bench target
# builds it on demand. The generator is a library of its own: a test pins
# the object file of one generated script.
add_library(orvel_bench_script STATIC ${CMAKE_SOURCE_DIR}/bench/BenchScript.cpp)
target_include_directories(orvel_bench_script PUBLIC ${CMAKE_SOURCE_DIR}/bench)
add_executable(orvel_bench EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/bench/BenchTool.cpp)
target_link_libraries(orvel_bench PRIVATE orvel_bench_script)

# The compiler runs once per script, so start-up counts: a static binary
# skips loading and relocating shared libraries, a third of an empty run.
# Without the static zlib archive only the C++ runtime is linked in.
# Sanitizer and cross builds keep the default linking.
option(ORVEL_STATIC "Link orvelc statically" ON)
if(ORVEL_STATIC AND CMAKE_SYSTEM_NAME STREQUAL "Linux" AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU"
   AND NOT CMAKE_CROSSCOMPILING AND NOT CMAKE_CXX_FLAGS MATCHES "sanitize")
  find_library(ORVEL_ZLIB_ARCHIVE NAMES libz.a)
  if(ORVEL_ZLIB_ARCHIVE)
    target_link_options(orvelc PRIVATE -static)
    set_property(TARGET ZLIB::ZLIB PROPERTY IMPORTED_LOCATION ${ORVEL_ZLIB_ARCHIVE})
  else()
    target_link_options(orvelc PRIVATE -static-libstdc++ -static-libgcc)
  endif()
endif()
