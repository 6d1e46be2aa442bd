# Each folder under src/ is one static library named tavren_<name>, built from the
# sources and Qt resources it holds, so a module adds files without touching the build.
function(tavren_module name)
    cmake_parse_arguments(ARG "" "" "DEPENDS;EXTRA_DIRS" ${ARGN})
    set(globs
        ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
    foreach(dir ${ARG_EXTRA_DIRS})
        list(APPEND globs ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.h
             ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.qrc)
    endforeach()
    file(GLOB sources CONFIGURE_DEPENDS ${globs})
    add_library(tavren_${name} STATIC ${sources})
    target_include_directories(tavren_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(tavren_${name} PUBLIC Qt6::Core Qt6::Gui Qt6::Widgets ${ARG_DEPENDS})
endfunction()

# A static Qt for Windows links its plugins into each program: the Windows platform and its
# native style for the window, offscreen for tests that draw without a screen.
function(tavren_windows_plugins target)
    if(WIN32)
        qt_import_plugins(${target}
            INCLUDE_BY_TYPE platforms Qt6::QWindowsIntegrationPlugin Qt6::QOffscreenIntegrationPlugin
            INCLUDE_BY_TYPE styles Qt6::QWindowsVistaStylePlugin)
    endif()
endfunction()

# The libraries a test, benchmark or fuzz source declares on its first line: "// links: a b".
function(tavren_declared_links src out)
    file(STRINGS ${src} links_line REGEX "^// links:" LIMIT_COUNT 1)
    string(REPLACE "// links:" "" links "${links_line}")
    separate_arguments(links)
    set(${out} ${links} PARENT_SCOPE)
endfunction()

# One QtTest executable per tests/tst_<unit>.cpp. The first line of the file names the
# libraries it links: "// links: tavren_snapshot tavren_os". Tests run offscreen unless the
# file says "// needs: x11", in which case scripts/with-x11 gives it a real X server and tray.
# A test builds for Linux only unless its file names its platforms: "// platforms: linux windows".
function(tavren_add_tests dir)
    file(GLOB tests CONFIGURE_DEPENDS ${dir}/tst_*.cpp)
    set(runtime ${CMAKE_BINARY_DIR}/xdg-runtime)
    # Reverse look-ups of the companion command stay on this machine during tests.
    set(lookups "TAVREN_NETSTAT_LOOPBACK_LOOKUPS_ONLY=1")
    # A test that turns "Keep History" on writes its history file under the build, never into
    # the user's own data folder.
    set(data_home ${CMAKE_BINARY_DIR}/xdg-data)
    file(MAKE_DIRECTORY ${runtime})
    file(CHMOD ${runtime} DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
    foreach(src ${tests})
        get_filename_component(name ${src} NAME_WE)
        file(STRINGS ${src} platforms_line REGEX "^// platforms:" LIMIT_COUNT 1)
        if(NOT platforms_line)
            set(platforms_line "// platforms: linux")
        endif()
        if((WIN32 AND NOT platforms_line MATCHES "windows") OR (NOT WIN32 AND NOT platforms_line MATCHES "linux"))
            continue()
        endif()
        tavren_declared_links(${src} links)
        file(STRINGS ${src} needs_line REGEX "^// needs:" LIMIT_COUNT 1)
        add_executable(${name} ${src})
        target_link_libraries(${name} PRIVATE ${links} Qt6::Test)
        tavren_windows_plugins(${name})
        # Under Wine the machine's root is drive Z:.
        set(binary_dir ${CMAKE_BINARY_DIR})
        if(WIN32 AND CMAKE_CROSSCOMPILING)
            set(binary_dir Z:${CMAKE_BINARY_DIR})
        endif()
        target_compile_definitions(${name} PRIVATE TAVREN_BINARY_DIR="${binary_dir}")
        # Tests of the window and the snapshot run the companion command (and the closing helper) from the build's
        # bin folder: building any one test builds it as well.
        foreach(helper tavren-netstat-cli tavren-netstat-close tavren-standin)
            if(TARGET ${helper})
                add_dependencies(${name} ${helper})
            endif()
        endforeach()
        if(WIN32)
            # Under Wine, in the build folder's own prefix; the wrapper shows the test's log.
            # Wine keeps QT_* variables from its programs: a test with windows gets its
            # platform as an argument.
            file(STRINGS ${src} guiless REGEX "QTEST_GUILESS_MAIN|QTEST_APPLESS_MAIN" LIMIT_COUNT 1)
            set(platform -platform offscreen)
            if(guiless)
                set(platform)
            endif()
            add_test(NAME ${name} COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-qtest $<TARGET_FILE:${name}> ${platform})
            set_tests_properties(${name} PROPERTIES ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wine")
        elseif(needs_line MATCHES "x11")
            add_test(NAME ${name} COMMAND ${PROJECT_SOURCE_DIR}/scripts/with-x11 $<TARGET_FILE:${name}>)
            set_tests_properties(${name} PROPERTIES RUN_SERIAL TRUE
                                 ENVIRONMENT "XDG_RUNTIME_DIR=${runtime};XDG_DATA_HOME=${data_home}/${name};${lookups}")
        else()
            add_test(NAME ${name} COMMAND ${name})
            set_tests_properties(${name} PROPERTIES
                ENVIRONMENT "QT_QPA_PLATFORM=offscreen;XDG_RUNTIME_DIR=${runtime};XDG_DATA_HOME=${data_home}/${name};${lookups}")
        endif()
        set_tests_properties(${name} PROPERTIES TIMEOUT 300)
    endforeach()
endfunction()
