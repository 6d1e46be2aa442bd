# Who publishes the program: the executables' version information and the installer's entry
# in the list of installed programs (scripts/package windows).
set(TAVREN_PUBLISHER "Tavren NetStat developers")

# Gives a Windows executable its version information (data/windows/version.rc.in), and with
# ICON the program's icon, made from the same pictures as the Linux icon theme's. Qt takes the
# icon named IDI_ICON1 for its windows' class, so the task bar shows it too.
function(tavren_windows_resources target description)
    cmake_parse_arguments(ARG "ICON" "" "" ${ARGN})
    if(NOT WIN32)
        return()
    endif()
    set(name ${target})
    # Four numbers, however many the project's version has.
    set(numbers)
    foreach(part MAJOR MINOR PATCH TWEAK)
        set(number "${PROJECT_VERSION_${part}}")
        if(number STREQUAL "")
            set(number 0)
        endif()
        list(APPEND numbers ${number})
    endforeach()
    list(JOIN numbers "," version_commas)
    set(icon_resource)
    set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target}-resources)
    if(ARG_ICON)
        set(icon ${PROJECT_BINARY_DIR}/tavren-netstat.ico)
        set(icon_resource "IDI_ICON1 ICON \"${icon}\"")
        tavren_windows_icon(${icon})
    endif()
    configure_file(${PROJECT_SOURCE_DIR}/data/windows/version.rc.in ${dir}/version.rc @ONLY)
    target_sources(${target} PRIVATE ${dir}/version.rc)
    if(ARG_ICON)
        set_source_files_properties(${dir}/version.rc PROPERTIES OBJECT_DEPENDS ${icon})
        add_dependencies(${target} tavren_windows_icon)
    endif()
endfunction()

# The program's icon file, at every size the icon theme has; the installer shows it too.
function(tavren_windows_icon icon)
    if(TARGET tavren_windows_icon)
        return()
    endif()
    set(pictures)
    foreach(size 16 24 32 48 64 128 256)
        list(APPEND pictures ${PROJECT_SOURCE_DIR}/data/icons/hicolor/${size}x${size}/apps/org.tavren.netstat.png)
    endforeach()
    # Without the PNG time chunks the same pictures always make the same file.
    add_custom_command(OUTPUT ${icon}
        COMMAND convert ${pictures} -define png:exclude-chunks=date,time ${icon}
        DEPENDS ${pictures} VERBATIM)
    add_custom_target(tavren_windows_icon DEPENDS ${icon})
endfunction()
