# One static library per layer, each globbed, so that adding a file needs no
# CMake edit. These calls are the layer table: a library sees the headers of
# its own folders and of the layers it links, nothing else, and the table is
# written to layers.json for tests/layers/check_layers.py and the README.
#
#   DIRS      folders under src/ (their .cpp files; headers by the same path)
#   PUBLIC    layers its headers include (passed on to its users)
#   PRIVATE   layers only its .cpp files include
#   LIBS      third-party libraries, linked privately
#   HEADERS   include prefixes of the third-party headers it may use
#   POSIX     it may call the system (unistd.h, sys/*, ...)
#   EXCLUDE   file names left out of the glob
#   BUILD     false: a back end this build leaves out (in the table only, so
#             that its folder is still checked)
set(ZARN_LAYER_TABLE "")
function(zarn_layer name)
  cmake_parse_arguments(ARG "POSIX;INTERFACE" "ABOUT;BUILD"
                        "DIRS;PUBLIC;PRIVATE;LIBS;PUBLIC_LIBS;HEADERS;EXCLUDE" ${ARGN})
  # Each folder is reached through a link in a folder of the library's own,
  # so that "folder/File.h" finds only what the library may see.
  set(include_root ${PROJECT_BINARY_DIR}/layers/${name})
  foreach(dir IN LISTS ARG_DIRS)
    get_filename_component(parent ${include_root}/${dir} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${dir} ${include_root}/${dir} SYMBOLIC)
  endforeach()
  if(DEFINED ARG_BUILD AND NOT ARG_BUILD)
    # Left out of this build.
  elseif(ARG_INTERFACE)
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${include_root})
    target_link_libraries(${name} INTERFACE ${ARG_PUBLIC})
  else()
    set(sources "")
    foreach(dir IN LISTS ARG_DIRS)
      file(GLOB dir_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${dir}/*.cpp)
      list(APPEND sources ${dir_sources})
    endforeach()
    foreach(excluded IN LISTS ARG_EXCLUDE)
      list(FILTER sources EXCLUDE REGEX "/${excluded}$")
    endforeach()
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${include_root})
    target_link_libraries(${name} PUBLIC ${ARG_PUBLIC} ${ARG_PUBLIC_LIBS}
                                  PRIVATE ${ARG_PRIVATE} ${ARG_LIBS})
  endif()
  set(uses ${ARG_PUBLIC} ${ARG_PRIVATE})
  list(FILTER uses INCLUDE REGEX "^zarn_")
  list(TRANSFORM ARG_DIRS PREPEND "\"")
  list(TRANSFORM ARG_DIRS APPEND "\"")
  list(TRANSFORM uses PREPEND "\"")
  list(TRANSFORM uses APPEND "\"")
  list(TRANSFORM ARG_HEADERS PREPEND "\"")
  list(TRANSFORM ARG_HEADERS APPEND "\"")
  list(JOIN ARG_DIRS ", " dirs)
  list(JOIN uses ", " uses)
  list(JOIN ARG_HEADERS ", " headers)
  if(ARG_POSIX)
    set(posix true)
  else()
    set(posix false)
  endif()
  set(ZARN_LAYER_TABLE "${ZARN_LAYER_TABLE}  {\"name\": \"${name}\", \"dirs\": [${dirs}], \"uses\": [${uses}], \"headers\": [${headers}], \"posix\": ${posix}, \"about\": \"${ARG_ABOUT}\"},\n" PARENT_SCOPE)
endfunction()

# The older form (DEPS passed on, SYSTEM linked): a layer without wrapped
# headers or system calls.
function(zarn_folder_library name)
  cmake_parse_arguments(ARG "" "" "DIRS;DEPS;SYSTEM" ${ARGN})
  zarn_layer(${name} DIRS ${ARG_DIRS} PUBLIC ${ARG_DEPS} PUBLIC_LIBS ${ARG_SYSTEM})
  set(ZARN_LAYER_TABLE "${ZARN_LAYER_TABLE}" PARENT_SCOPE)
endfunction()

find_package(Threads REQUIRED)
find_package(PkgConfig REQUIRED)

# The optional back ends; recording draws slides with the desktop's
# presenter and listening runs in the same module program, so both need it.
option(ZARN_DESKTOP "Build the desktop (Qt Widgets, X11, libxdo, Qt Multimedia, FluidSynth, poppler)" ON)
option(ZARN_RECORD "Build recording to video (FFmpeg)" ON)
option(ZARN_LISTEN "Build voice commands (PocketSphinx)" ON)
foreach(backend ZARN_RECORD ZARN_LISTEN)
  if(${backend} AND NOT ZARN_DESKTOP)
    message(STATUS "${backend} is off: it lives in the desktop's module program (ZARN_DESKTOP=OFF)")
    set(${backend} OFF CACHE BOOL "" FORCE)
  endif()
endforeach()

zarn_layer(zarn_base DIRS base POSIX
  ABOUT "strings, Windows paths, text codecs, conversions, the error type, keystroke and command-line parsing")
target_compile_definitions(zarn_base PUBLIC
  ZARN_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
  ZARN_VERSION_MINOR=${PROJECT_VERSION_MINOR}
  ZARN_VERSION_REVISION=${PROJECT_VERSION_PATCH})

zarn_layer(zarn_ports DIRS ports INTERFACE PUBLIC zarn_base
  ABOUT "one interface per platform service, \`Platform\` (headers only)")

# Character files stand alone (the fuzzer and benchmarks build them alone).
zarn_layer(zarn_charfile DIRS charfile PRIVATE zarn_base LIBS z png HEADERS zlib.h png.h
  ABOUT "character-file reader and writer, test characters")

pkg_check_modules(SNDFILE REQUIRED IMPORTED_TARGET sndfile)
zarn_layer(zarn_backend DIRS backend PUBLIC zarn_ports PRIVATE zarn_base
  LIBS PkgConfig::SNDFILE HEADERS sndfile.h
  ABOUT "command strings, media and picture probes, the one wave reader (libsndfile), the trace and tracing wrappers")

zarn_layer(zarn_charengine DIRS charengine PUBLIC zarn_charfile zarn_ports PRIVATE zarn_base
  ABOUT "our character service")

zarn_layer(zarn_core
  DIRS core/shell core/script core/agent core/eval core/media core/errortrap core/util
  PUBLIC zarn_ports
  ABOUT "the program itself")

# Presentation parts are read with expat.
find_package(EXPAT REQUIRED)
zarn_layer(zarn_common DIRS platform/common PUBLIC zarn_backend zarn_ports PRIVATE zarn_base
  LIBS ${CMAKE_DL_LIBS} EXPAT::EXPAT HEADERS zip.h expat.h POSIX
  ABOUT "services every platform runs: environment, program start, the per-user window registry, command-string devices, backdrop model, slide files, the virtual clock")

zarn_layer(zarn_headless DIRS platform/headless PUBLIC zarn_common POSIX
  ABOUT "the headless platform: virtual time, everything shown written to the trace")

find_package(CURL REQUIRED)
# libcurl is loaded on the first download (its headers only at build time).
zarn_layer(zarn_net DIRS platform/net PUBLIC zarn_ports PRIVATE zarn_base
  LIBS ${CMAKE_DL_LIBS} HEADERS curl/ POSIX
  ABOUT "the internet port on libcurl, loaded on the first download")
target_include_directories(zarn_net SYSTEM PRIVATE
                           $<TARGET_PROPERTY:CURL::libcurl,INTERFACE_INCLUDE_DIRECTORIES>)

# Speech through espeak-ng (which ships a pkg-config file) and flite's voices
# as its libraries (flite1-dev ships no pkg-config file).
pkg_check_modules(ESPEAK_NG REQUIRED IMPORTED_TARGET espeak-ng)
find_path(FLITE_INCLUDE flite/flite.h REQUIRED)
# espeak-ng and flite are loaded on first use (their headers only at build time).
zarn_layer(zarn_speech DIRS platform/speech PUBLIC zarn_charengine
  LIBS ${CMAKE_DL_LIBS} HEADERS espeak-ng/ flite/ POSIX
  ABOUT "speech through espeak-ng and flite (loaded on first use), mouths from phonemes and loudness")
target_include_directories(zarn_speech SYSTEM PUBLIC ${ESPEAK_NG_INCLUDE_DIRS})

if(ZARN_LISTEN)
  # PocketSphinx's 0.8 API. Debian's pkg-config file names an include
  # folder that does not exist, so look for the headers.
  find_path(POCKETSPHINX_INCLUDE pocketsphinx.h PATH_SUFFIXES pocketsphinx REQUIRED)
  find_path(SPHINXBASE_INCLUDE sphinxbase/cmd_ln.h PATH_SUFFIXES x86_64-linux-gnu REQUIRED)
  find_library(POCKETSPHINX_LIB pocketsphinx REQUIRED)
  find_library(SPHINXBASE_LIB sphinxbase REQUIRED)
endif()
zarn_layer(zarn_listen DIRS platform/listen PUBLIC zarn_charengine zarn_common
  PRIVATE zarn_backend zarn_base
  HEADERS pocketsphinx sphinxbase/ BUILD ${ZARN_LISTEN}
  ABOUT "voice commands through PocketSphinx (loaded when a character first listens)")
if(ZARN_LISTEN)
  target_include_directories(zarn_listen SYSTEM PRIVATE ${POCKETSPHINX_INCLUDE}
                             ${SPHINXBASE_INCLUDE} ${SPHINXBASE_INCLUDE}/sphinxbase)
endif()

if(ZARN_DESKTOP)
  find_package(Qt6 REQUIRED COMPONENTS Gui Widgets Multimedia MultimediaWidgets)

  # The desktop: Qt 6 Widgets on X11 (keystrokes through libxdo, which ships
  # no pkg-config file; monitors through Xinerama); sound and video through
  # Qt Multimedia, songs through FluidSynth, PDF slides through poppler (no
  # CMake config for poppler-qt6).
  find_package(X11 REQUIRED)
  # FluidSynth is loaded on first use (its header only at build time).
  pkg_check_modules(FLUIDSYNTH REQUIRED IMPORTED_TARGET fluidsynth)
  pkg_check_modules(POPPLER_QT6 REQUIRED IMPORTED_TARGET poppler-qt6)
endif()
# What the screen and the recorder both draw: QtGui only.
zarn_layer(zarn_render DIRS platform/render PUBLIC zarn_backend zarn_charengine zarn_speech
  PUBLIC_LIBS Qt6::Gui HEADERS Q BUILD ${ZARN_DESKTOP}
  ABOUT "the drawing the desktop and the recorder share: frames, balloons, mouths (QtGui)")
# PDF slides: poppler in a module of its own (zarnplay-slides.so, beside the
# module programs), loaded when a slideshow first opens.
zarn_layer(zarn_slides DIRS platform/slides INTERFACE HEADERS Q poppler/ BUILD ${ZARN_DESKTOP}
  ABOUT "PDF slides drawn by poppler: the module the desktop loads for a slideshow")
if(ZARN_DESKTOP)
  add_library(zarnplay-slides MODULE ${PROJECT_SOURCE_DIR}/src/platform/slides/PdfSlides.cpp)
  target_link_libraries(zarnplay-slides PRIVATE zarn_slides Qt6::Gui PkgConfig::POPPLER_QT6)
  set_target_properties(zarnplay-slides PROPERTIES PREFIX "" CXX_VISIBILITY_PRESET hidden
                        LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
endif()
set(desktop_listen zarn_listen)
set(desktop_excluded "")
if(NOT ZARN_LISTEN)
  set(desktop_excluded QtMicrophone.cpp)
endif()
zarn_layer(zarn_desktop DIRS platform/desktop
  PUBLIC zarn_common zarn_render zarn_speech PRIVATE zarn_base zarn_slides ${desktop_listen}
  PUBLIC_LIBS Qt6::Widgets Qt6::Multimedia Qt6::MultimediaWidgets
  LIBS X11::X11 X11::Xinerama xdo
  HEADERS Q X11/ xdo.h fluidsynth POSIX EXCLUDE ${desktop_excluded} BUILD ${ZARN_DESKTOP}
  ABOUT "the desktop platform on Qt 6 Widgets, X11, libxdo, Qt Multimedia, FluidSynth (loaded on first use), slides through the slides module")
if(ZARN_DESKTOP)
  set_target_properties(zarn_desktop PROPERTIES AUTOMOC ON)
  target_compile_definitions(zarn_desktop PRIVATE
    ZARN_INSTALLED_MODULE_DIR="${CMAKE_INSTALL_PREFIX}/lib/zarnplay")
  add_dependencies(zarn_desktop zarnplay-slides)
endif()

if(ZARN_RECORD)
  pkg_check_modules(FFMPEG REQUIRED IMPORTED_TARGET libavcodec libavformat libavutil libswscale
                    libswresample)
endif()
zarn_layer(zarn_record DIRS platform/record
  PUBLIC zarn_common zarn_render zarn_speech LIBS PkgConfig::FFMPEG
  HEADERS Q libav libsw POSIX BUILD ${ZARN_RECORD}
  ABOUT "recording to video: the scene drawn off screen, sounds mixed, encoded with FFmpeg")

# Options, tools and the one wiring of the headless platform to the program.
zarn_layer(zarn_app DIRS app
  PUBLIC zarn_core zarn_headless zarn_common zarn_speech zarn_charengine
  PRIVATE zarn_net zarn_backend zarn_base Threads::Threads
  POSIX
  ABOUT "options, tools, \`Player\` (the one wiring of a platform to the program)")
target_compile_definitions(zarn_app PRIVATE
  ZARN_INSTALLED_MODULE_DIR="${CMAKE_INSTALL_PREFIX}/lib/zarnplay")

# The module program's wiring of the back ends this build has.
# The character service on the session bus (QtDBus, which works without a
# display). Its interfaces are the XML files installed for other programs;
# the service answers introspection with the same text.
if(ZARN_DESKTOP)
  find_package(Qt6 REQUIRED COMPONENTS DBus)
  set(zarn_bus_xml ${PROJECT_SOURCE_DIR}/data/dbus/org.zarnplay.Characters1.xml
                   ${PROJECT_SOURCE_DIR}/data/dbus/org.zarnplay.Character1.xml)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${zarn_bus_xml})
  list(GET zarn_bus_xml 0 zarn_xml_file)
  file(READ ${zarn_xml_file} ZARN_MANAGER_XML)
  list(GET zarn_bus_xml 1 zarn_xml_file)
  file(READ ${zarn_xml_file} ZARN_CHARACTER_XML)
  file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/generated/platform/service/ServiceInterfaces.h CONTENT
       "#pragma once\ninline constexpr const char* kManagerInterfaceXml = R\"xml(@ZARN_MANAGER_XML@)xml\";\ninline constexpr const char* kCharacterInterfaceXml = R\"xml(@ZARN_CHARACTER_XML@)xml\";\n"
       @ONLY)
endif()
zarn_layer(zarn_service DIRS platform/service PUBLIC zarn_backend zarn_charengine
  PUBLIC_LIBS Qt6::DBus HEADERS Q BUILD ${ZARN_DESKTOP}
  ABOUT "the character service on the session bus (QtDBus): other programs as clients")
if(ZARN_DESKTOP)
  target_include_directories(zarn_service PRIVATE ${PROJECT_BINARY_DIR}/generated)
  set_target_properties(zarn_service PROPERTIES AUTOMOC ON)
endif()

set(module_layers zarn_app zarn_desktop zarn_record zarn_listen zarn_service)
if(ZARN_DESKTOP)
  set(module_layers zarn_app zarn_desktop)
  set(module_defs ZARN_HAS_RECORD=0 ZARN_HAS_LISTEN=0)
  if(ZARN_RECORD)
    list(APPEND module_layers zarn_record)
    list(REMOVE_ITEM module_defs ZARN_HAS_RECORD=0)
    list(APPEND module_defs ZARN_HAS_RECORD=1)
  endif()
  if(ZARN_LISTEN)
    list(APPEND module_layers zarn_listen)
    list(REMOVE_ITEM module_defs ZARN_HAS_LISTEN=0)
    list(APPEND module_defs ZARN_HAS_LISTEN=1)
  endif()
  list(APPEND module_layers zarn_service)
  # Each module program compiles its own wiring (ModuleMain.cpp, ModuleBackends.cpp).
  set(module_excluded ModuleMain.cpp ModuleBackends.cpp)
  if(NOT ZARN_RECORD)
    list(APPEND module_excluded RecordRun.cpp)
  endif()
endif()
zarn_layer(zarn_app_backends DIRS app/backends PUBLIC ${module_layers} POSIX
  HEADERS Q EXCLUDE ${module_excluded} BUILD ${ZARN_DESKTOP}
  ABOUT "the module program's wiring of the desktop, recording and listening")
if(ZARN_DESKTOP)
  target_compile_definitions(zarn_app_backends PUBLIC ${module_defs})
endif()

file(WRITE ${PROJECT_BINARY_DIR}/layers.json.new "{\"layers\": [\n${ZARN_LAYER_TABLE}  {}\n]}\n")
file(COPY_FILE ${PROJECT_BINARY_DIR}/layers.json.new ${PROJECT_BINARY_DIR}/layers.json ONLY_IF_DIFFERENT)
