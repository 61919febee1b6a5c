find_package(GTest REQUIRED)
include(GoogleTest)

# What the tests share: reading traces back (nlohmann-json).
find_package(nlohmann_json REQUIRED)
file(GLOB test_support_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/support/*.cpp)
add_library(zarn_test_support STATIC ${test_support_sources})
target_include_directories(zarn_test_support PUBLIC ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(zarn_test_support PRIVATE nlohmann_json::nlohmann_json)
# The tests write slide packages with libzip; the player loads it on use.
target_link_libraries(zarn_test_support PUBLIC zip)

# One test program per layer, from its folder of tests/ (which mirrors
# src/), linked with that layer and what it needs. Every case is a CTest
# entry of its own, listed when ctest runs rather than at build time.
# PLAYER: the program runs zarnplay (and the demo character it builds).
function(zarn_test name dir)
  cmake_parse_arguments(ARG "PLAYER" "" "LIBS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/${dir}/*.cpp)
  # Voice commands heard from a file need the listening back end.
  if(NOT ZARN_LISTEN)
    list(FILTER sources EXCLUDE REGEX "_listen_[^/]*\\.cpp$")
  endif()
  add_executable(test_${name} ${sources})
  target_link_libraries(test_${name} PRIVATE ${ARG_LIBS} zarn_test_support GTest::gtest
                                             GTest::gmock GTest::gtest_main)
  target_compile_definitions(test_${name} PRIVATE
    ZARN_SOURCE_DIR="${PROJECT_SOURCE_DIR}" ZARN_BINARY_DIR="${PROJECT_BINARY_DIR}")
  if(ARG_PLAYER)
    target_compile_definitions(test_${name} PRIVATE ZARNPLAY_EXE="$<TARGET_FILE:zarnplay>")
    add_dependencies(test_${name} zarnplay demo_character)
    # Runs of the desktop, a recording or listening start the module program.
    if(TARGET zarnplay-desktop)
      add_dependencies(test_${name} zarnplay-desktop)
    endif()
    if(TARGET zarnplay-record)
      add_dependencies(test_${name} zarnplay-record)
    endif()
  endif()
  gtest_discover_tests(test_${name} TEST_PREFIX "${name}." DISCOVERY_MODE PRE_TEST
                       DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endfunction()

zarn_test(base base LIBS zarn_base zarn_ports zarn_charfile)
zarn_test(charfile charfile LIBS zarn_charfile PLAYER)
zarn_test(backend backend LIBS zarn_backend zarn_charengine zarn_core)
zarn_test(charengine charengine LIBS zarn_charengine zarn_backend)
zarn_test(core core LIBS zarn_app zarn_net)
zarn_test(headless platform/headless LIBS zarn_headless zarn_charfile)
zarn_test(speech platform/speech LIBS zarn_app PLAYER)
# The tests ask flite itself what it makes of a text; the player loads it on use.
target_link_libraries(test_speech PRIVATE flite_cmu_us_kal flite_usenglish flite_cmulex flite)
if(ZARN_LISTEN)
  zarn_test(listen platform/listen LIBS zarn_listen)
endif()
if(ZARN_RECORD)
  zarn_test(record platform/record LIBS zarn_record zarn_app PLAYER)
endif()
zarn_test(app app LIBS zarn_app PLAYER)

# The layering: no library includes a layer it may not use.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
# The table is the build's (layers.json, written by cmake/Libraries.cmake);
# the README's Layout table must be the same.
# (a build without some back end still lists it: its folder is checked too).
add_test(NAME layers COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/tests/layers/check_layers.py
                             ${PROJECT_BINARY_DIR}/layers.json ${PROJECT_SOURCE_DIR}/src
                             --readme ${PROJECT_SOURCE_DIR}/README.md)
# What a headless run loads, and the line a missing module gives.
add_test(NAME modules COMMAND ${PROJECT_SOURCE_DIR}/tests/modules/modules_test.sh
                              $<TARGET_FILE:zarnplay> ${PROJECT_BINARY_DIR}/characters)
add_test(NAME layers_checker COMMAND Python3::Interpreter
                                     ${PROJECT_SOURCE_DIR}/tests/layers/test_check_layers.py)

if(ZARN_DESKTOP)
  # The desktop under a private Xvfb and tray host the wrapper starts and stops.
  file(GLOB desktop_test_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/desktop/*.cpp)
  add_executable(test_desktop ${desktop_test_sources})
  target_include_directories(test_desktop PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(test_desktop PRIVATE zarn_app_backends zarn_test_support GTest::gtest)
  target_compile_definitions(test_desktop PRIVATE
    ZARN_SOURCE_DIR="${PROJECT_SOURCE_DIR}" ZARNPLAY_EXE="$<TARGET_FILE:zarnplay>")
  add_dependencies(test_desktop zarnplay zarnplay-desktop)
  # In shards, each under its own display and sound server. The desktop
  # entries are labelled: they mostly wait on real time, so the test command
  # runs them side by side once the busy headless entries are done.
  set(desktop_shards 2)
  math(EXPR last_shard "${desktop_shards} - 1")
  foreach(shard RANGE ${last_shard})
    add_test(NAME desktop_${shard} COMMAND ${PROJECT_SOURCE_DIR}/tests/desktop/with_display.sh
                                           $<TARGET_FILE:test_desktop>)
    set_tests_properties(desktop_${shard} PROPERTIES TIMEOUT 600 LABELS desktop
      ENVIRONMENT "GTEST_TOTAL_SHARDS=${desktop_shards};GTEST_SHARD_INDEX=${shard}")
  endforeach()

  # The character service on a private session bus the test starts.
  zarn_test(service platform/service LIBS zarn_service PLAYER)

  # Two minutes of the desktop soak (bench/soak.py): memory and open files
  # steady after the warm-up while commands come from the menu.
  add_test(NAME soak_short COMMAND ${PROJECT_SOURCE_DIR}/tests/desktop/with_display.sh
                                   ${PROJECT_SOURCE_DIR}/bench/soak.py --player $<TARGET_FILE:zarnplay>
                                   --seconds 120 --sample 10 --warmup 60 --check)
  set_tests_properties(soak_short PROPERTIES TIMEOUT 300 LABELS desktop)
endif()
if(ZARN_LISTEN)
  # A command spoken into a private PulseAudio microphone on a private Xvfb.
  add_test(NAME listen_microphone COMMAND ${PROJECT_SOURCE_DIR}/tests/desktop/hear_microphone.sh
                                          $<TARGET_FILE:zarnplay>)
  set_tests_properties(listen_microphone PROPERTIES TIMEOUT 120)
endif()
