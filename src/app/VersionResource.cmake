# The Windows version resource, configured from the version values that the top-level
# CMakeLists.txt sets. src/app/CMakeLists.txt includes this file; run as a script,
#   cmake -DOUTPUT=<file.rc> -P src/app/VersionResource.cmake
# it reads those values itself, so the resource can be checked without a Windows build.

# "1.4" -> "1,4,0,0": a version resource takes four numbers.
function(tq_version_numbers text result)
    string(REPLACE "." ";" parts "${text}")
    list(LENGTH parts count)
    while(count LESS 4)
        list(APPEND parts 0)
        math(EXPR count "${count} + 1")
    endwhile()
    list(JOIN parts "," joined)
    set(${result} "${joined}" PARENT_SCOPE)
endfunction()

function(tq_configure_version_resource output)
    tq_version_numbers("${TQ_FILE_VERSION}" TQ_RC_FILE_VERSION)
    tq_version_numbers("${TQ_PRODUCT_VERSION}" TQ_RC_PRODUCT_VERSION)
    # "041904E3": language, then code page.
    string(SUBSTRING "${TQ_TRANSLATION_CODE}" 0 4 language)
    string(SUBSTRING "${TQ_TRANSLATION_CODE}" 4 4 codepage)
    set(TQ_RC_LANGUAGE "0x${language}")
    set(TQ_RC_CODEPAGE "0x${codepage}")
    configure_file("${CMAKE_CURRENT_FUNCTION_LIST_DIR}/tallowquince.rc.in" "${output}" @ONLY)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE)
    set(_tq_pattern "^set\\((TQ_[A-Z_]+) \"(.*)\"\\)$")
    file(STRINGS "${CMAKE_CURRENT_LIST_DIR}/../../CMakeLists.txt" _tq_lines
         REGEX "${_tq_pattern}")
    foreach(_tq_line IN LISTS _tq_lines)
        string(REGEX MATCH "${_tq_pattern}" _tq_match "${_tq_line}")
        set(${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
    endforeach()
    if(NOT OUTPUT)
        message(FATAL_ERROR "Pass -DOUTPUT=<file.rc>")
    endif()
    tq_configure_version_resource("${OUTPUT}")
endif()
