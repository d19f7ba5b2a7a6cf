# Helpers shared by the subsystem, app and test directories.

# tessa_add_library(NAME SOURCES... [LIBS libs...])
# A subsystem's static library; its headers are included as <subsystem/header.h>
# from the src/ directory.
function(tessa_add_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES} ${ARG_UNPARSED_ARGUMENTS})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC Qt5::Core ${ARG_LIBS})
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
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
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
        PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 120)
endfunction()
