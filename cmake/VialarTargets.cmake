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
# registered with CTest test by test. Every program starts a QApplication on the
# offscreen platform (see tests/support/TestMain.cpp), so widget tests need no display.
function(vialar_tests dir)
    cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
    file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/test_*.cpp)
    foreach(test_source IN LISTS tests)
        get_filename_component(stem ${test_source} NAME_WE)
        set(target ${dir}_${stem})
        add_executable(${target} ${test_source})
        target_link_libraries(${target} PRIVATE vialar_test_support ${ARG_LIBS})
        gtest_discover_tests(${target}
            TEST_PREFIX "${dir}."
            DISCOVERY_MODE PRE_TEST
            PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300)
    endforeach()
endfunction()
