# Writes the Windows version resource script from the program's identity values.
#
#   ksv_write_version_resource(OUTPUT <file.rc> TITLE <text> INTERNAL_NAME <name>
#                              VERSION <major.minor.patch> CREDIT <Name (e-mail)> ICON <file.ico>)
#
# Also runs as a script, for tests that try other values:
#   cmake -DOUTPUT=... -DTITLE=... -DINTERNAL_NAME=... -DVERSION=... -DCREDIT=... -DICON=...
#         -P versionresource.cmake

set(_ksv_version_resource_dir ${CMAKE_CURRENT_LIST_DIR})

# A quote is doubled and a backslash escaped inside an .rc string; anything else, UTF-8 included,
# goes through as it is.
function(_ksv_rc_string out text)
    string(REPLACE "\\" "\\\\" text "${text}")
    string(REPLACE "\"" "\"\"" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(_ksv_check_text what text)
    if(text STREQUAL "")
        message(FATAL_ERROR "${what} is empty")
    endif()
    # Control characters would end the .rc string or hide in it.
    string(ASCII 1 first)
    string(ASCII 31 last)
    string(ASCII 127 delete)
    if(text MATCHES "[${first}-${last}${delete}]")
        message(FATAL_ERROR "${what} \"${text}\" holds a control character")
    endif()
endfunction()

function(ksv_write_version_resource)
    cmake_parse_arguments(PARSE_ARGV 0 arg "" "OUTPUT;TITLE;INTERNAL_NAME;VERSION;CREDIT;ICON" "")
    foreach(key OUTPUT TITLE INTERNAL_NAME VERSION CREDIT ICON)
        if(NOT DEFINED arg_${key})
            message(FATAL_ERROR "ksv_write_version_resource: ${key} missing")
        endif()
    endforeach()
    _ksv_check_text("The application title" "${arg_TITLE}")
    _ksv_check_text("The author credit" "${arg_CREDIT}")

    # The credit is shown as "Name (e-mail address)": a name, one space, the address in parentheses.
    if(NOT arg_CREDIT MATCHES "^[^ ()]([^()]*[^ ()])? \\([^ ()@]+@[^ ()@]+\\)$")
        message(FATAL_ERROR "The author credit \"${arg_CREDIT}\" is not of the form "
                            "\"Name (e-mail address)\", e.g. \"KSV (ksv@kestrova.example)\"")
    endif()
    if(NOT arg_INTERNAL_NAME MATCHES "^[A-Za-z0-9_.-]+$")
        message(FATAL_ERROR "The internal name \"${arg_INTERNAL_NAME}\" is not a plain file name")
    endif()

    # Windows keeps each version part in 16 bits.
    if(NOT arg_VERSION MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)$")
        message(FATAL_ERROR "The version \"${arg_VERSION}\" is not major.minor.patch")
    endif()
    set(major ${CMAKE_MATCH_1})
    set(minor ${CMAKE_MATCH_2})
    set(patch ${CMAKE_MATCH_3})
    foreach(part major minor patch)
        string(LENGTH "${${part}}" digits)
        if(digits GREATER 5 OR ${part} GREATER 65535)
            message(FATAL_ERROR "The version \"${arg_VERSION}\" has a part above 65535")
        endif()
        math(EXPR ${part} "${${part}}") # drops leading zeros
    endforeach()

    # The text form is major.minor with at least two digits of minor: 1.0 is "1.00", 1.12 "1.12".
    if(minor LESS 10)
        set(KSV_RC_VERSION_TEXT "${major}.0${minor}")
    else()
        set(KSV_RC_VERSION_TEXT "${major}.${minor}")
    endif()
    set(KSV_RC_VERSION_COMMAS "${major},${minor},${patch},0")

    _ksv_rc_string(KSV_RC_PRODUCT_NAME "${arg_TITLE}")
    _ksv_rc_string(KSV_RC_COMMENTS "${arg_TITLE} är gjort av ${arg_CREDIT}")
    set(KSV_RC_INTERNAL_NAME "${arg_INTERNAL_NAME}")
    set(KSV_RC_ORIGINAL_FILENAME "${arg_INTERNAL_NAME}.exe")
    file(TO_CMAKE_PATH "${arg_ICON}" icon)
    _ksv_rc_string(KSV_RC_ICON "${icon}")

    configure_file(${_ksv_version_resource_dir}/ksv2003.rc.in "${arg_OUTPUT}" @ONLY)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
    ksv_write_version_resource(OUTPUT "${OUTPUT}" TITLE "${TITLE}" INTERNAL_NAME "${INTERNAL_NAME}"
                               VERSION "${VERSION}" CREDIT "${CREDIT}" ICON "${ICON}")
endif()
