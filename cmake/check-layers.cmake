# Fails when a file of the program includes a header from a layer above its own. Run as
#   cmake -DSOURCE_DIR=<checkout> -P check-layers.cmake
# Each folder names the folders (as included, below src/) that it may use besides itself; a file
# belongs to the first folder of the list that starts its path.
cmake_minimum_required(VERSION 3.25)

set(folders app src/timeservice src/program src/clock src/decoding src/reception src/platform/qt
    src/platform/serial src/ui/model src/ui src/state src/platform)
set(uses_app program clock decoding reception timeservice ui state platform)
set(uses_src/program clock decoding reception ui state platform)
set(uses_src/clock ui state platform)
set(uses_src/decoding ui state platform)
set(uses_src/reception ui state platform)
set(uses_src/platform/qt platform ui/model)
set(uses_src/platform/serial platform)
# Beside the routines: fed by the same edges, it needs none of them and none of the windows.
set(uses_src/timeservice platform)
set(uses_src/ui/model platform)
set(uses_src/ui state platform)
set(uses_src/state)
set(uses_src/platform)

file(GLOB_RECURSE files RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/src/*.h" "${SOURCE_DIR}/src/*.cpp"
     "${SOURCE_DIR}/app/*.h" "${SOURCE_DIR}/app/*.cpp")
set(violations "")
foreach(file IN LISTS files)
    set(folder "")
    foreach(candidate IN LISTS folders)
        if(file MATCHES "^${candidate}/")
            set(folder "${candidate}")
            break()
        endif()
    endforeach()
    if(folder STREQUAL "")
        string(APPEND violations "  ${file} lies in no layer\n")
        continue()
    endif()
    string(REGEX REPLACE "^src/" "" own "${folder}")
    set(allowed ${uses_${folder}} ${own})

    file(STRINGS "${SOURCE_DIR}/${file}" includes REGEX "^#include \"")
    foreach(line IN LISTS includes)
        string(REGEX REPLACE "^#include \"([^\"]*)\".*" "\\1" header "${line}")
        # The folder of the header: ui/model/x.h is in ui/model, ui/x.h in ui.
        get_filename_component(header_folder "${header}" DIRECTORY)
        if(header_folder STREQUAL "" OR header_folder IN_LIST allowed)
            continue()
        endif()
        # What lies inside a usable folder is usable too (ui/model with ui), except the Qt
        # platform, which only the application wires in.
        set(ok FALSE)
        foreach(use IN LISTS allowed)
            if(header_folder MATCHES "^${use}/" AND NOT header_folder STREQUAL "platform/qt")
                set(ok TRUE)
            endif()
        endforeach()
        if(folder STREQUAL "app" AND header_folder STREQUAL "platform/qt")
            set(ok TRUE)
        endif()
        if(NOT ok)
            string(APPEND violations "  ${file} includes ${header}\n")
        endif()
    endforeach()
endforeach()

if(violations)
    message(FATAL_ERROR "Includes that reach a layer above their own:\n${violations}")
endif()
message(STATUS "Every include in src/ and app/ stays in its own layer or one below it")
