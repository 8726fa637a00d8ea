# Texts that differ between Windows and Linux (the start-at-logon and
# browser-button options, and the help about them) live in one source file as
# lines marked "{windows}" or "{linux}". The build keeps the lines of the
# platform it builds for, without the mark, and drops the others; unmarked
# lines pass unchanged, bytes and line ends included.
if(CMAKE_SCRIPT_MODE_FILE)
    # file(READ) turns CR LF into LF: a file written with CR LF gets them back.
    file(READ "${IN}" text)
    file(READ "${IN}" bytes HEX)
    string(FIND "${bytes}" "0d0a" crlf)
    if(PLATFORM STREQUAL "windows")
        set(other linux)
    else()
        set(other windows)
    endif()
    string(REGEX REPLACE "{${other}}[^\n]*\n" "" text "${text}")
    string(REPLACE "{${PLATFORM}}" "" text "${text}")
    if(crlf GREATER_EQUAL 0)
        string(REPLACE "\n" "\r\n" text "${text}")
    endif()
    file(WRITE "${OUT}" "${text}")
    return()
endif()

if(WIN32)
    set(QUENDRAL_TEXT_PLATFORM windows)
else()
    set(QUENDRAL_TEXT_PLATFORM linux)
endif()
set(QUENDRAL_PLATFORM_TEXT_SCRIPT ${CMAKE_CURRENT_LIST_FILE})

# Makes `output` from `input` for the platform being built.
function(quendral_platform_text input output)
    add_custom_command(OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -DIN=${input} -DOUT=${output} -DPLATFORM=${QUENDRAL_TEXT_PLATFORM}
                -P ${QUENDRAL_PLATFORM_TEXT_SCRIPT}
        DEPENDS ${input} ${QUENDRAL_PLATFORM_TEXT_SCRIPT}
        COMMENT "Keeping the ${QUENDRAL_TEXT_PLATFORM} texts of ${input}"
        VERBATIM)
endfunction()
