# One static library per layer, each globbed, so that adding a file needs no
# CMake edit. A library links only the layers below it; tests/layers checks
# the includes against the same table.
function(zarn_folder_library name)
  cmake_parse_arguments(ARG "" "" "DIRS;DEPS;SYSTEM" ${ARGN})
  set(sources "")
  foreach(dir IN LISTS ARG_DIRS)
    file(GLOB dir_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${dir}/*.cpp)
    list(APPEND sources ${dir_sources})
  endforeach()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} ${ARG_SYSTEM})
endfunction()

find_package(Threads REQUIRED)
find_package(CURL REQUIRED)

# Strings, Windows paths, text codecs, conversions, the error type.
zarn_folder_library(zarn_base DIRS base)
target_compile_definitions(zarn_base PUBLIC
  ZARN_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
  ZARN_VERSION_MINOR=${PROJECT_VERSION_MINOR}
  ZARN_VERSION_REVISION=${PROJECT_VERSION_PATCH})

# The port interfaces: headers only.
add_library(zarn_ports INTERFACE)
target_include_directories(zarn_ports INTERFACE ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(zarn_ports INTERFACE zarn_base)

# Character files stand alone (the fuzzer and benchmarks build them alone).
zarn_folder_library(zarn_charfile DIRS charfile DEPS zarn_base SYSTEM z png)

# Pieces both platforms use: command strings, probes, the trace, and the
# one wave reader (libsndfile).
find_package(PkgConfig REQUIRED)
pkg_check_modules(SNDFILE REQUIRED IMPORTED_TARGET sndfile)
zarn_folder_library(zarn_backend DIRS backend DEPS zarn_charfile zarn_ports PkgConfig::SNDFILE)

# Our character service.
zarn_folder_library(zarn_charengine DIRS charengine DEPS zarn_charfile zarn_ports)

# The program itself; its folders need each other, so they are one library.
zarn_folder_library(zarn_core
  DIRS core/shell core/script core/agent core/eval core/media core/errortrap core/util
  DEPS zarn_ports)

# Platforms.
zarn_folder_library(zarn_headless DIRS platform/headless
                    DEPS zarn_backend zarn_charengine SYSTEM zip)
# Presentation parts are read with expat.
find_package(EXPAT REQUIRED)
target_link_libraries(zarn_headless PRIVATE EXPAT::EXPAT)
zarn_folder_library(zarn_net DIRS platform/net DEPS zarn_ports CURL::libcurl)
# Speech through espeak-ng (which ships a pkg-config file).
find_package(PkgConfig REQUIRED)
pkg_check_modules(ESPEAK_NG REQUIRED IMPORTED_TARGET espeak-ng)
# flite's voices as its libraries (flite1-dev ships no pkg-config file).
find_path(FLITE_INCLUDE flite/flite.h REQUIRED)
set(FLITE_LIBS flite_cmu_us_kal flite_cmu_us_awb flite_cmu_us_rms flite_cmu_us_slt
    flite_usenglish flite_cmulex flite)
zarn_folder_library(zarn_speech DIRS platform/speech DEPS zarn_charengine PkgConfig::ESPEAK_NG
                    SYSTEM ${FLITE_LIBS})
# Voice commands through PocketSphinx (the 0.8 API). Debian's pkg-config
# file names an include folder that does not exist, so look for the headers.
find_path(POCKETSPHINX_INCLUDE pocketsphinx.h PATH_SUFFIXES pocketsphinx REQUIRED)
find_path(SPHINXBASE_INCLUDE sphinxbase/cmd_ln.h PATH_SUFFIXES x86_64-linux-gnu REQUIRED)
find_library(POCKETSPHINX_LIB pocketsphinx REQUIRED)
find_library(SPHINXBASE_LIB sphinxbase REQUIRED)
zarn_folder_library(zarn_listen DIRS platform/listen DEPS zarn_charengine zarn_backend
                    SYSTEM ${POCKETSPHINX_LIB} ${SPHINXBASE_LIB})
target_include_directories(zarn_listen SYSTEM PRIVATE ${POCKETSPHINX_INCLUDE}
                           ${SPHINXBASE_INCLUDE} ${SPHINXBASE_INCLUDE}/sphinxbase)

# The desktop: Qt 6 Widgets on X11 (keystrokes through libxdo, which ships
# no pkg-config file); sound and video through Qt Multimedia, songs through
# FluidSynth.
find_package(Qt6 REQUIRED COMPONENTS Widgets Multimedia MultimediaWidgets)
find_package(X11 REQUIRED)
pkg_check_modules(FLUIDSYNTH REQUIRED IMPORTED_TARGET fluidsynth)
zarn_folder_library(zarn_desktop DIRS platform/desktop
                    DEPS zarn_backend zarn_charengine zarn_speech zarn_listen Qt6::Widgets
                         Qt6::Multimedia Qt6::MultimediaWidgets X11::X11 xdo
                         PkgConfig::FLUIDSYNTH)
set_target_properties(zarn_desktop PROPERTIES AUTOMOC ON)
# Which monitor a character is on, where the server joins heads by Xinerama.
target_link_libraries(zarn_desktop PRIVATE X11::Xinerama)
# Slides: the show's logic is the headless presenter's; PDF pages through
# Poppler (no CMake config for poppler-qt6).
pkg_check_modules(POPPLER_QT6 REQUIRED IMPORTED_TARGET poppler-qt6)
target_link_libraries(zarn_desktop PUBLIC zarn_headless PkgConfig::POPPLER_QT6)

# Options, tools and the one wiring of a platform to the program.
# Recording to video: drawn with the desktop's composer off screen,
# encoded with FFmpeg's libraries.
pkg_check_modules(FFMPEG REQUIRED IMPORTED_TARGET libavcodec libavformat libavutil libswscale
                  libswresample)
zarn_folder_library(zarn_record DIRS platform/record
                    DEPS zarn_desktop zarn_headless zarn_speech PkgConfig::FFMPEG)

zarn_folder_library(zarn_app DIRS app
                    DEPS zarn_core zarn_headless zarn_desktop zarn_record zarn_net zarn_speech zarn_listen zarn_backend
                         zarn_charengine
                         Threads::Threads)
# The options and the wiring of the program to a platform need no desktop
# library: the core tests link them without Qt, FFmpeg, poppler or
# PocketSphinx.
set(zarn_player_sources
    ${PROJECT_SOURCE_DIR}/src/app/Player.cpp ${PROJECT_SOURCE_DIR}/src/app/CharacterServiceFactory.cpp
    ${PROJECT_SOURCE_DIR}/src/app/Options.cpp ${PROJECT_SOURCE_DIR}/src/app/OptionTable.cpp
    ${PROJECT_SOURCE_DIR}/src/app/HeadlessActions.cpp)
add_library(zarn_player STATIC ${zarn_player_sources})
target_include_directories(zarn_player PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(zarn_player PUBLIC zarn_core zarn_headless zarn_net zarn_speech)
get_target_property(zarn_app_sources zarn_app SOURCES)
list(REMOVE_ITEM zarn_app_sources ${zarn_player_sources})
set_target_properties(zarn_app PROPERTIES SOURCES "${zarn_app_sources}")
target_link_libraries(zarn_app PUBLIC zarn_player)

# The character service on the session bus (QtDBus, which works without a
# display). Its interfaces are the XML files installed for other programs;
# the service answers introspection with the same text.
find_package(Qt6 REQUIRED COMPONENTS DBus)
set(zarn_bus_xml ${PROJECT_SOURCE_DIR}/data/dbus/org.zarnplay.Characters1.xml
                 ${PROJECT_SOURCE_DIR}/data/dbus/org.zarnplay.Character1.xml)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${zarn_bus_xml})
list(GET zarn_bus_xml 0 zarn_xml_file)
file(READ ${zarn_xml_file} ZARN_MANAGER_XML)
list(GET zarn_bus_xml 1 zarn_xml_file)
file(READ ${zarn_xml_file} ZARN_CHARACTER_XML)
file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/generated/ServiceInterfaces.h CONTENT
     "#pragma once\ninline constexpr const char* kManagerInterfaceXml = R\"xml(@ZARN_MANAGER_XML@)xml\";\ninline constexpr const char* kCharacterInterfaceXml = R\"xml(@ZARN_CHARACTER_XML@)xml\";\n"
     @ONLY)
zarn_folder_library(zarn_service DIRS platform/service DEPS zarn_backend zarn_charengine Qt6::DBus)
target_include_directories(zarn_service PRIVATE ${PROJECT_BINARY_DIR}/generated)
set_target_properties(zarn_service PROPERTIES AUTOMOC ON)
target_link_libraries(zarn_app PUBLIC zarn_service)
