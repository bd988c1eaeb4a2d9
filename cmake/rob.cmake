# libFuzzer targets, built only in a clang tree configured with -DORVEL_FUZZ=ON
# (mk/rob.mk does this for build-asan, where everything also carries
# -fsanitize=address,undefined,fuzzer-no-link). Each target drives one reader
# of untrusted input: script text, language.lan, OrvelCEx.idx, object files.
option(ORVEL_FUZZ "Build the libFuzzer targets under tests/fuzz" OFF)

if(ORVEL_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "ORVEL_FUZZ needs clang (libFuzzer)")
  endif()
  foreach(target compile language index object)
    add_executable(fuzz_${target}
      ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_${target}.cpp
      ${CMAKE_SOURCE_DIR}/tests/fuzz/FuzzSupport.cpp)
    target_link_libraries(fuzz_${target} PRIVATE orvel_driver)
    target_link_options(fuzz_${target} PRIVATE -fsanitize=fuzzer)
  endforeach()
endif()
