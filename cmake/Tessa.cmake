# Helpers shared by the subsystem, app and test directories.

# TESSA_ONLY: when set, only the src/, apps/, tests/, bench/ and fuzz/ folders whose
# names it lists are configured (e.g. "qtx;projectsystem;cp"), so that one subsystem
# can be built while another is half-written in the same tree.
set(TESSA_ONLY "" CACHE STRING "Configure only these subsystem and app folders")

# tessa_add_subdirectories(PARENT): every PARENT/*/CMakeLists.txt that TESSA_ONLY allows.
function(tessa_add_subdirectories parent)
    file(GLOB dirs LIST_DIRECTORIES true ${parent}/*)
    list(SORT dirs)
    foreach(dir ${dirs})
        get_filename_component(name ${dir} NAME)
        if(EXISTS ${dir}/CMakeLists.txt)
            if(NOT TESSA_ONLY OR name IN_LIST TESSA_ONLY OR name STREQUAL "common")
                add_subdirectory(${dir})
            endif()
        endif()
    endforeach()
endfunction()

# tessa_add_library(NAME SOURCES... [LIBS libs...])
# A subsystem's static library; its headers are included as <subsystem/header.h>
# from the src/ directory.
function(tessa_add_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES} ${ARG_UNPARSED_ARGUMENTS})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC Qt5::Core ${ARG_LIBS})
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    set_property(GLOBAL APPEND PROPERTY TESSA_LIBRARIES ${name})
endfunction()

# tessa_add_tool(NAME SOURCES... [LIBS libs...]): an executable in build/bin.
function(tessa_add_tool name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES} ${ARG_UNPARSED_ARGUMENTS})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
endfunction()

# tessa_add_test(NAME SOURCES... [LIBS libs...] [TOOLS tools...])
# A GoogleTest executable whose cases are registered with CTest one by one.
# TOOLS names executables the tests run end to end: they are built first, and
# TESSA_BIN_DIR tells the test where they are.
function(tessa_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;TOOLS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES} ${ARG_UNPARSED_ARGUMENTS})
    target_link_libraries(${name} PRIVATE tessatestcommon GTest::gtest GTest::gmock
                          GTest::gtest_main ${ARG_LIBS})
    set_target_properties(${name} PROPERTIES
        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/testbin AUTOMOC ON)
    if(ARG_TOOLS)
        add_dependencies(${name} ${ARG_TOOLS})
    endif()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES
        PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 120)
endfunction()
