# Shared build settings and the helpers every folder uses.

set(VANTORA_WARNINGS -Wall -Wextra -Wpedantic)

if(VANTORA_SANITIZE)
  add_compile_options(-fsanitize=${VANTORA_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${VANTORA_SANITIZE})
endif()

# vantora_library(<name> [QT] SOURCES ... [LIBS ...])
# Defines the library vantora_<name> with our warnings. Core libraries must not
# pass QT; the platform and UI layers may.
function(vantora_library name)
  cmake_parse_arguments(ARG "QT" "" "SOURCES;LIBS" ${ARGN})
  add_library(vantora_${name} STATIC ${ARG_SOURCES})
  target_compile_options(vantora_${name} PRIVATE ${VANTORA_WARNINGS})
  target_include_directories(vantora_${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(vantora_${name} PUBLIC ${ARG_LIBS})
  if(ARG_QT)
    set_target_properties(vantora_${name} PROPERTIES AUTOMOC ON)
  endif()
endfunction()

# vantora_test(<name> [UI] SOURCES ... [LIBS ...])
# One test executable, registered with CTest through GoogleTest discovery.
# UI tests are built only with the UI and run on Qt's offscreen platform.
function(vantora_test name)
  cmake_parse_arguments(ARG "UI" "" "SOURCES;LIBS" ${ARGN})
  if(ARG_UI AND NOT VANTORA_BUILD_UI)
    return()
  endif()
  if(NOT TARGET GTest::gtest_main)
    find_package(GTest REQUIRED)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${VANTORA_WARNINGS})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} vantora_test_support GTest::gmock GTest::gtest)
  if(ARG_UI)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    target_link_libraries(${name} PRIVATE vantora_test_main_qt)
  else()
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  if(ARG_UI)
    set(label ui)
  else()
    set(label core)
  endif()
  include(GoogleTest)
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/tests
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS ${label} TIMEOUT 300)
endfunction()

# vantora_folder_library(<name> [QT] [LIBS ...])
# The library vantora_<name> from every .cpp file of the calling folder.
# Nothing is defined while the folder has no sources yet.
function(vantora_folder_library name)
  cmake_parse_arguments(ARG "QT" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  if(ARG_QT)
    vantora_library(${name} QT SOURCES ${sources} LIBS ${ARG_LIBS})
  else()
    vantora_library(${name} SOURCES ${sources} LIBS ${ARG_LIBS})
  endif()
endfunction()

# vantora_folder_tests([UI] [LIBS ...] [SOURCES shared.cpp ...])
# One test executable per *_test.cpp file of the calling folder; SOURCES are
# extra files (fakes, fixtures) compiled into each of them.
function(vantora_folder_tests)
  cmake_parse_arguments(ARG "UI" "" "LIBS;SOURCES" ${ARGN})
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  foreach(test_source IN LISTS tests)
    get_filename_component(test_name ${test_source} NAME_WE)
    if(ARG_UI)
      vantora_test(${test_name} UI SOURCES ${test_source} ${ARG_SOURCES} LIBS ${ARG_LIBS})
    else()
      vantora_test(${test_name} SOURCES ${test_source} ${ARG_SOURCES} LIBS ${ARG_LIBS})
    endif()
  endforeach()
endfunction()
