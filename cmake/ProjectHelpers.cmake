# Shared helpers for the per-folder CMakeLists.

# project_library(NAME DIR [PUBLIC_INCLUDE dir] [LIBS ...])
# A static library made of every .cpp below DIR (one library per folder).
function(project_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;INCLUDES;LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${PROJECT_WARNINGS})
  target_include_directories(${name} PUBLIC ${ARG_INCLUDES})
  target_link_libraries(${name} PUBLIC ${ARG_LIBS})
endfunction()

# project_test(NAME SOURCES ... LIBS ... [LABELS ...])
# One GoogleTest executable; its cases are registered with CTest one by one.
function(project_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${PROJECT_WARNINGS})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
  # One label per test executable: "threaded" ones also run under the sanitizers.
  set(label unit)
  if(ARG_LABELS)
    list(GET ARG_LABELS 0 label)
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS ${label} TIMEOUT 300)
endfunction()

# folder_library(NAME DIR INCLUDES ... LIBS ... [EXCLUDE files])
# Every .cpp directly in DIR; an empty folder yields an interface library so
# that dependants can link to it before its first source file lands.
function(folder_library name dir)
  cmake_parse_arguments(ARG "" "" "INCLUDES;LIBS;EXCLUDE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(ARG_EXCLUDE AND sources)
    list(REMOVE_ITEM sources ${ARG_EXCLUDE})
  endif()
  if(sources)
    project_library(${name} SOURCES ${sources} INCLUDES ${ARG_INCLUDES} LIBS ${ARG_LIBS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${ARG_INCLUDES})
    target_link_libraries(${name} INTERFACE ${ARG_LIBS})
  endif()
endfunction()

# folder_test(NAME DIR LIBS ... [LABELS ...]): one test executable from DIR/*.cpp, if any.
function(folder_test name dir)
  cmake_parse_arguments(ARG "" "" "LIBS;LABELS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(sources)
    project_test(${name} SOURCES ${sources} LIBS ${ARG_LIBS} LABELS ${ARG_LABELS})
  endif()
endfunction()

# add_every_subdirectory(): each child folder that has a CMakeLists.txt (tools/, bench/).
function(add_every_subdirectory)
  file(GLOB children RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*/CMakeLists.txt)
  foreach(child ${children})
    get_filename_component(folder ${child} DIRECTORY)
    add_subdirectory(${folder})
  endforeach()
endfunction()
