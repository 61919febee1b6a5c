# Benchmarks (Google Benchmark), one program each; run by bench/run_bench.sh.
find_package(benchmark REQUIRED)
function(zarn_bench name)
  add_executable(bench_${name} ${PROJECT_SOURCE_DIR}/bench/${name}_bench.cpp)
  target_link_libraries(bench_${name} PRIVATE ${ARGN} benchmark::benchmark)
endfunction()
zarn_bench(interpreter zarn_app)
zarn_bench(charengine zarn_charengine)
zarn_bench(charfile zarn_charfile)
zarn_bench(eval zarn_core)
zarn_bench(profile zarn_core)
# The built player itself on long scripts.
zarn_bench(program zarn_charfile)
add_dependencies(bench_program zarnplay)
target_compile_definitions(bench_program PRIVATE ZARNPLAY_EXE="$<TARGET_FILE:zarnplay>")
# The player on a display: run under tests/desktop/with_display.sh.
zarn_bench(desktop zarn_charfile X11::X11)
add_dependencies(bench_desktop zarnplay zarnplay-desktop)
target_compile_definitions(bench_desktop PRIVATE ZARNPLAY_EXE="$<TARGET_FILE:zarnplay>")
# Recording a performance to video with the built player and demo character.
zarn_bench(record)
add_dependencies(bench_record zarnplay zarnplay-record demo_character)
target_compile_definitions(bench_record PRIVATE ZARNPLAY_EXE="$<TARGET_FILE:zarnplay>"
                           ZARN_CHARACTERS="${PROJECT_BINARY_DIR}/characters")
# The character service through a private session bus it starts.
zarn_bench(service zarn_service)
add_dependencies(bench_service zarnplay)
target_compile_definitions(bench_service PRIVATE ZARNPLAY_EXE="$<TARGET_FILE:zarnplay>")
