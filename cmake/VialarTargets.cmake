# vialar_library(NAME DIR [DEPS ...]): a static library of every .cpp/.h/.qrc in DIR
# (not recursing). New files are picked up at the next build without editing CMake.
function(vialar_library name dir)
    cmake_parse_arguments(ARG "" "" "DEPS;EXCLUDE;SYSTEM_INCLUDES" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS
        ${dir}/*.cpp ${dir}/*.h ${dir}/*.qrc)
    foreach(excluded IN LISTS ARG_EXCLUDE)
        list(FILTER sources EXCLUDE REGEX "/${excluded}$")
    endforeach()
    list(FILTER sources INCLUDE REGEX "\\.(cpp|qrc)$|\\.h$")
    set(compiled ${sources})
    list(FILTER compiled INCLUDE REGEX "\\.cpp$")
    if(compiled)
        add_library(${name} STATIC ${sources})
        target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
        target_link_libraries(${name} PUBLIC ${ARG_DEPS})
        target_include_directories(${name} SYSTEM PUBLIC ${ARG_SYSTEM_INCLUDES})
    else()
        # A folder whose code is still to come: keep its dependants linking.
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
        target_link_libraries(${name} INTERFACE ${ARG_DEPS})
        target_include_directories(${name} SYSTEM INTERFACE ${ARG_SYSTEM_INCLUDES})
    endif()
endfunction()

# vialar_tests(DIR [LIBS ...]): one test program per tests/DIR/test_*.cpp, each
# registered with CTest test by test; DIR may be a subfolder (report_engine/emf gives
# the programs report_engine_emf_test_* and the tests report_engine.emf.*). Every program starts a QApplication on the
# offscreen platform (see tests/support/TestMain.cpp), so widget tests need no display.
function(vialar_tests dir)
    cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
    file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/test_*.cpp)
    foreach(test_source IN LISTS tests)
        get_filename_component(stem ${test_source} NAME_WE)
        string(REPLACE "/" "_" target_stem ${dir})
        string(REPLACE "/" "." test_prefix ${dir})
        set(target ${target_stem}_${stem})
        add_executable(${target} ${test_source})
        target_link_libraries(${target} PRIVATE vialar_test_support ${ARG_LIBS})
        gtest_discover_tests(${target}
            TEST_PREFIX "${test_prefix}."
            DISCOVERY_MODE PRE_TEST
            PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300)
    endforeach()
endfunction()

# vialar_room(NAME DIRS dir... [DEPS ...] [MAY_INCLUDE folder...]): a static library
# of every .cpp/.h in the given folders (one room of a layered subsystem, or a group of
# rooms that call each other). MAY_INCLUDE lists the project folders (paths below the
# project root, such as report_engine/base or data) whose headers the room's files may
# include; the build checks every quoted include of the room against it, and refuses
# any Qt Widgets header, so that a dependency running the wrong way fails the build.
# Pass WIDGETS to lift the widget ban (the user-interface room).
function(vialar_room name)
    cmake_parse_arguments(ARG "WIDGETS" "" "DIRS;DEPS;MAY_INCLUDE" ${ARGN})
    set(sources)
    foreach(dir IN LISTS ARG_DIRS)
        file(GLOB found CONFIGURE_DEPENDS
            ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.h)
        list(APPEND sources ${found})
    endforeach()
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})

    set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${name}.includes-checked)
    set(list_file ${CMAKE_CURRENT_BINARY_DIR}/${name}.sources)
    string(REPLACE ";" "\n" source_lines "${sources}")
    file(WRITE ${list_file}.in "${source_lines}\n")
    configure_file(${list_file}.in ${list_file} COPYONLY)
    set(widgets_allowed OFF)
    if(ARG_WIDGETS)
        set(widgets_allowed ON)
    endif()
    add_custom_command(OUTPUT ${stamp}
        COMMAND ${CMAKE_COMMAND} -DROOM=${name} -DSOURCES=${list_file}
                "-DALLOWED=${ARG_MAY_INCLUDE}" -DWIDGETS=${widgets_allowed}
                -DSTAMP=${stamp} -P ${PROJECT_SOURCE_DIR}/cmake/CheckRoomIncludes.cmake
        DEPENDS ${sources} ${list_file} ${PROJECT_SOURCE_DIR}/cmake/CheckRoomIncludes.cmake
        COMMENT "Checking the includes of ${name}"
        VERBATIM)
    add_custom_target(${name}_includes DEPENDS ${stamp})
    add_dependencies(${name} ${name}_includes)
endfunction()
