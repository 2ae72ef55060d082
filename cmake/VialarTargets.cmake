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

# How the tree is linked. lld, where the compiler can use it, links the test programs
# and the tool several times faster than the default linker (most of a link is the
# debug information). Links run in a pool of their own, at most one per 2 GiB of
# memory and never more than the compile jobs, so that a small machine compiles beside
# a link instead of swapping under several.
include(CheckLinkerFlag)
check_linker_flag(CXX -fuse-ld=lld VIALAR_HAVE_LLD)
if(VIALAR_HAVE_LLD)
    add_link_options(-fuse-ld=lld)
endif()
cmake_host_system_information(RESULT vialar_memory_mib QUERY TOTAL_PHYSICAL_MEMORY)
cmake_host_system_information(RESULT vialar_cores QUERY NUMBER_OF_LOGICAL_CORES)
math(EXPR vialar_links "${vialar_memory_mib} / 2048")
if(vialar_links LESS 1)
    set(vialar_links 1)
elseif(vialar_links GREATER vialar_cores)
    set(vialar_links ${vialar_cores})
endif()
set_property(GLOBAL APPEND PROPERTY JOB_POOLS vialar_link=${vialar_links})
set(CMAKE_JOB_POOL_LINK vialar_link)

# vialar_test_code(TARGET): the test programs' own code compiles without optimisation,
# in every build. It calls into the libraries, which keep the build's flags (and the
# sanitizers' checks); optimising the test bodies, GoogleTest's macros above all, took
# a third of the compile time of a whole build and gained the test run nothing it
# could measure. The precompiled header is compiled the same way, or it could not be
# reused (the compiler refuses a header built at another optimisation level).
function(vialar_test_code target)
    target_compile_options(${target} PRIVATE -O0)
endfunction()

# vialar_tests(DIR [LIBS ...] [OWN_PROGRAM stem...] [PROGRAM_PER_FILE]): the test files
# tests/DIR/test_*.cpp built into one program, DIR_tests (report_engine/emf gives
# report_engine_emf_tests), registered with CTest test by test as DIR.Suite.Test
# (report_engine.emf.EmfPlayer.Foo). New files join the program at the next build.
# CTest starts every test in a process of its own, so the files of one program share
# no state at run time; what they share is the program's start (tests/support/
# TestMain.cpp: a QApplication on the offscreen platform) and the static initialisers
# of every file. A file whose initialisers change the process for all of its tests
# (fontconfig's configuration, read once) is named in OWN_PROGRAM and gets a program
# of its own, DIR_STEM; PROGRAM_PER_FILE gives every file its own program (scripts run
# some of them directly, by name, and each carries its own definitions).
# Every test program compiles with the precompiled GoogleTest and Qt headers of
# vialar_test_support (tests/CMakeLists.txt).
function(vialar_tests dir)
    cmake_parse_arguments(ARG "PROGRAM_PER_FILE" "" "LIBS;OWN_PROGRAM" ${ARGN})
    file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/test_*.cpp)
    string(REPLACE "/" "_" target_stem ${dir})
    string(REPLACE "/" "." test_prefix ${dir})
    set(shared)
    set(programs)
    foreach(test_source IN LISTS tests)
        get_filename_component(stem ${test_source} NAME_WE)
        if(ARG_PROGRAM_PER_FILE OR stem IN_LIST ARG_OWN_PROGRAM)
            set(target ${target_stem}_${stem})
            add_executable(${target} ${test_source})
            list(APPEND programs ${target})
        else()
            list(APPEND shared ${test_source})
        endif()
    endforeach()
    if(shared)
        add_executable(${target_stem}_tests ${shared})
        list(APPEND programs ${target_stem}_tests)
    endif()
    foreach(target IN LISTS programs)
        target_link_libraries(${target} PRIVATE vialar_test_support ${ARG_LIBS})
        target_precompile_headers(${target} REUSE_FROM vialar_test_support)
        vialar_test_code(${target})
        gtest_discover_tests(${target}
            TEST_PREFIX "${test_prefix}."
            DISCOVERY_MODE PRE_TEST
            PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300)
    endforeach()
endfunction()

# vialar_room(NAME DIRS dir... [DEPS ...] [MAY_INCLUDE folder...] [WIDGETS]
#             [EXCLUDE file...] [SYSTEM_INCLUDES dir...]): a static library of every
# .cpp/.h/.qrc in the given folders (paths below the current source folder; "." for the
# folder itself), leaving out the EXCLUDE'd file names: one room of the project (a
# top-level folder, one room of a layered subsystem, or a group of rooms that call each
# other). MAY_INCLUDE lists the project folders (paths below the project root, such as
# report_engine/base or data) whose headers the room's files may include; the build
# checks every quoted include of the room against it, and refuses any Qt Widgets header,
# so that a dependency running the wrong way fails the build. Pass WIDGETS to lift the
# widget ban (the rooms that make windows). README.md's layout table lists what each
# room may include.
function(vialar_room name)
    cmake_parse_arguments(ARG "WIDGETS" "" "DIRS;DEPS;MAY_INCLUDE;EXCLUDE;SYSTEM_INCLUDES"
                          ${ARGN})
    set(sources)
    foreach(dir IN LISTS ARG_DIRS)
        get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR}/${dir} ABSOLUTE)
        file(GLOB found CONFIGURE_DEPENDS ${folder}/*.cpp ${folder}/*.h ${folder}/*.qrc)
        list(APPEND sources ${found})
    endforeach()
    foreach(excluded IN LISTS ARG_EXCLUDE)
        list(FILTER sources EXCLUDE REGEX "/${excluded}$")
    endforeach()
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
    if(ARG_SYSTEM_INCLUDES)
        target_include_directories(${name} SYSTEM PUBLIC ${ARG_SYSTEM_INCLUDES})
    endif()
    set(widgets)
    if(ARG_WIDGETS)
        set(widgets WIDGETS)
    endif()
    vialar_check_includes(${name} SOURCES ${sources} MAY_INCLUDE ${ARG_MAY_INCLUDE} ${widgets})
endfunction()

# vialar_check_includes(TARGET SOURCES file... [MAY_INCLUDE folder...] [WIDGETS]): the
# include check of vialar_room for any target (a program's own files), run before the
# target builds.
function(vialar_check_includes name)
    cmake_parse_arguments(ARG "WIDGETS" "" "SOURCES;MAY_INCLUDE" ${ARGN})
    set(sources ${ARG_SOURCES})
    list(FILTER sources INCLUDE REGEX "\\.(cpp|h)$")
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
