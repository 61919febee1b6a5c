# One static library per source folder, each globbed, so that adding a file
# needs no CMake edit. The dependency order is fixed here.
function(zarn_folder_library name)
  cmake_parse_arguments(ARG "" "" "DIRS;DEPS;SYSTEM" ${ARGN})
  set(sources "")
  foreach(dir IN LISTS ARG_DIRS)
    file(GLOB dir_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${dir}/*.cpp)
    list(APPEND sources ${dir_sources})
  endforeach()
  if(NOT sources)
    set(stub ${CMAKE_CURRENT_BINARY_DIR}/${name}_empty.cpp)
    file(WRITE ${stub} "// no sources yet\n")
    list(APPEND sources ${stub})
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} ${ARG_SYSTEM})
endfunction()

find_package(Threads REQUIRED)

# Foundation: conversions, text, files, profile reader, error trap, trace.
zarn_folder_library(zarn_base DIRS util errortrap platform)
target_compile_definitions(zarn_base PUBLIC
  ZARN_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
  ZARN_VERSION_MINOR=${PROJECT_VERSION_MINOR}
  ZARN_VERSION_REVISION=${PROJECT_VERSION_PATCH})
zarn_folder_library(zarn_eval DIRS eval DEPS zarn_base)
zarn_folder_library(zarn_charfile DIRS charfile SYSTEM z png)
zarn_folder_library(zarn_charengine DIRS charengine DEPS zarn_charfile zarn_base)
find_package(CURL REQUIRED)
# Headless ports, and the real services every mode shares (downloads).
zarn_folder_library(zarn_headless DIRS platform/headless platform/net
                    DEPS zarn_charengine zarn_base CURL::libcurl SYSTEM zip)
# The program itself: shell, script, agent and media need each other.
zarn_folder_library(zarn_program DIRS shell script agent media DEPS zarn_eval zarn_base)
zarn_folder_library(zarn_app DIRS app DEPS zarn_program zarn_headless Threads::Threads)
