# quendral_add_pictures(<target> <resource name> PREFIX <prefix> FILES <svg>...)
# Builds the pictures into the target under <prefix>/<name>.svg. Where Qt has
# no SVG support (the Windows build) each picture is rendered to PNG on the
# build machine and built in under the same name, so the code asks for one
# name on every platform.
find_program(QUENDRAL_RSVG_CONVERT rsvg-convert)

function(quendral_render_png svg png size)
    if(NOT QUENDRAL_RSVG_CONVERT)
        message(FATAL_ERROR "rsvg-convert (Debian package librsvg2-bin) renders the pictures for this build")
    endif()
    add_custom_command(OUTPUT ${png}
        COMMAND ${QUENDRAL_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${svg}
        DEPENDS ${svg}
        VERBATIM)
endfunction()

function(quendral_add_pictures target name)
    cmake_parse_arguments(P "" "PREFIX" "FILES" ${ARGN})
    if(NOT WIN32)
        qt_add_resources(${target} ${name} PREFIX ${P_PREFIX} BASE ${PROJECT_SOURCE_DIR}/resources FILES ${P_FILES})
        return()
    endif()
    set(pngs)
    foreach(svg IN LISTS P_FILES)
        get_filename_component(base ${svg} NAME_WE)
        set(png ${CMAKE_CURRENT_BINARY_DIR}/pictures/${base}.png)
        quendral_render_png(${svg} ${png} 64)
        set_source_files_properties(${png} PROPERTIES QT_RESOURCE_ALIAS ${base}.svg GENERATED TRUE)
        list(APPEND pngs ${png})
    endforeach()
    qt_add_resources(${target} ${name} PREFIX ${P_PREFIX} FILES ${pngs})
endfunction()
