# Run by the engine_version target (cmake/Version.cmake) as a script:
#   cmake -DSOURCE_DIR=... -DGIT=... -DHEADER=... -DTEXT=... -P WriteVersion.cmake
# Writes HEADER and TEXT only when their content changes, so that nothing depending on them rebuilds needlessly.
set(version unknown)
if(GIT)
    # A source tarball unpacked inside some other repository must not take that repository's version.
    execute_process(COMMAND ${GIT} rev-parse --show-toplevel
        WORKING_DIRECTORY ${SOURCE_DIR} OUTPUT_VARIABLE top RESULT_VARIABLE top_result
        OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(top_result EQUAL 0)
        file(REAL_PATH "${top}" top)
        file(REAL_PATH "${SOURCE_DIR}" source)
    endif()
    if(top_result EQUAL 0 AND top STREQUAL source)
        execute_process(COMMAND ${GIT} describe --tags --always --dirty
            WORKING_DIRECTORY ${SOURCE_DIR} OUTPUT_VARIABLE described RESULT_VARIABLE describe_result
            OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
        # A version ends up in a file name and a C++ string: keep to characters that are safe in both.
        if(describe_result EQUAL 0 AND described MATCHES "^[A-Za-z0-9._+-]+$")
            set(version ${described})
        endif()
    endif()
endif()

function(write_if_changed path content)
    if(EXISTS ${path})
        file(READ ${path} old)
        if(old STREQUAL content)
            return()
        endif()
    endif()
    file(WRITE ${path} "${content}")
endfunction()

write_if_changed(${HEADER} "// Written at build time by cmake/WriteVersion.cmake from `git describe`; not a source file.
#pragma once

inline constexpr const char* kEngineVersion = \"${version}\";
")
write_if_changed(${TEXT} "${version}\n")
