find_package(GTest REQUIRED)
include(GoogleTest)

# One test program per folder under tests/, linked with the libraries it needs.
function(zarn_test_folder dir)
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/${dir}/*.cpp)
  # Voice commands heard from a file need the listening back end.
  if(NOT ZARN_LISTEN)
    list(FILTER sources EXCLUDE REGEX "_listen_[^/]*\\.cpp$")
  endif()
  if(NOT sources)
    return()
  endif()
  add_executable(test_${dir} ${sources})
  target_include_directories(test_${dir} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(test_${dir} PRIVATE ${ARGN} GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(test_${dir} PRIVATE
    ZARN_SOURCE_DIR="${PROJECT_SOURCE_DIR}" ZARN_BINARY_DIR="${PROJECT_BINARY_DIR}"
    ZARNPLAY_EXE="$<TARGET_FILE:zarnplay>")
  add_test(NAME ${dir} COMMAND test_${dir})
  set_tests_properties(${dir} PROPERTIES TIMEOUT 600)
endfunction()

zarn_test_folder(util zarn_core)
zarn_test_folder(errortrap zarn_app)
zarn_test_folder(platform zarn_app zarn_backend)
zarn_test_folder(eval zarn_core)
zarn_test_folder(charfile zarn_charfile)
zarn_test_folder(charengine zarn_charengine zarn_backend)
zarn_test_folder(media zarn_app)
zarn_test_folder(shell zarn_app)
zarn_test_folder(script zarn_app zarn_net)
zarn_test_folder(agent zarn_app)
zarn_test_folder(speech zarn_app)
if(ZARN_LISTEN)
  zarn_test_folder(listen zarn_listen)
endif()
zarn_test_folder(e2e zarn_app)
zarn_test_folder(examples zarn_app)
if(ZARN_RECORD)
  zarn_test_folder(record zarn_record zarn_app)
endif()
foreach(t test_e2e test_examples test_charfile test_record)
  if(TARGET ${t})
    add_dependencies(${t} zarnplay demo_character)
  endif()
endforeach()
# Tests that run the desktop, a recording or listening need the module program.
foreach(t test_e2e test_examples test_record test_speech test_listen)
  if(TARGET ${t} AND TARGET zarnplay-desktop)
    add_dependencies(${t} zarnplay-desktop)
  endif()
endforeach()

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
  target_link_libraries(test_desktop PRIVATE zarn_app_backends GTest::gtest)
  target_compile_definitions(test_desktop PRIVATE
    ZARN_SOURCE_DIR="${PROJECT_SOURCE_DIR}" ZARNPLAY_EXE="$<TARGET_FILE:zarnplay>")
  add_dependencies(test_desktop zarnplay zarnplay-desktop)
  add_test(NAME desktop COMMAND ${PROJECT_SOURCE_DIR}/tests/desktop/with_display.sh
                                $<TARGET_FILE:test_desktop>)
  # Timing-bound checks of sound and windows: no other test competes for the cores.
  set_tests_properties(desktop PROPERTIES TIMEOUT 600 RUN_SERIAL TRUE)

endif()
if(ZARN_LISTEN)
  # A command spoken into a private PulseAudio microphone on a private Xvfb.
  add_test(NAME listen_microphone COMMAND ${PROJECT_SOURCE_DIR}/tests/desktop/hear_microphone.sh
                                          $<TARGET_FILE:zarnplay>)
  set_tests_properties(listen_microphone PROPERTIES TIMEOUT 120)
endif()
