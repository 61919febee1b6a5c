# Fuzz targets: libFuzzer with AddressSanitizer and UndefinedBehaviorSanitizer.
# Configure a separate folder with clang: every library is instrumented for
# coverage, and each target links the fuzzer's main.
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "ZARN_FUZZ needs clang (CXX=clang++)")
endif()
add_custom_target(fuzz_all)
function(zarn_fuzz name)
  add_executable(fuzz_${name} ${PROJECT_SOURCE_DIR}/fuzz/${name}_fuzz.cpp)
  target_link_libraries(fuzz_${name} PRIVATE ${ARGN})
  target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
  add_dependencies(fuzz_all fuzz_${name})
endfunction()
# Programs that write a target's seed inputs into the folder they are given.
function(zarn_fuzz_seeds name)
  add_executable(fuzz_seeds_${name} ${PROJECT_SOURCE_DIR}/fuzz/${name}_seeds.cpp)
  target_link_libraries(fuzz_seeds_${name} PRIVATE ${ARGN})
  add_dependencies(fuzz_all fuzz_seeds_${name})
endfunction()

zarn_fuzz(charfile zarn_charfile)
zarn_fuzz_seeds(charfile zarn_charfile)
zarn_fuzz(eval zarn_core)
