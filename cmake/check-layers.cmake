# Fails when a file of the program reaches a layer above its own: by an include, or by naming a
# type that a higher layer defines (a forward declaration, a parameter, a base class). Run as
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
set(uses_src/platform/qt platform platform/serial ui/model)
set(uses_src/platform/serial platform)
# Beside the routines: fed by the same edges, it needs none of them and none of the windows.
set(uses_src/timeservice platform)
set(uses_src/ui/model platform)
set(uses_src/ui state platform)
set(uses_src/state)
set(uses_src/platform)

# The layer of `file` (as in `folders`, "" when none) into `result`.
function(layer_of file result)
    foreach(candidate IN LISTS folders)
        if(file MATCHES "^${candidate}/")
            set(${result} "${candidate}" PARENT_SCOPE)
            return()
        endif()
    endforeach()
    set(${result} "" PARENT_SCOPE)
endfunction()

# Whether a file in layer `folder` may use what lies in `target` (a folder below src/).
function(may_use folder target result)
    string(REGEX REPLACE "^src/" "" own "${folder}")
    set(allowed ${uses_${folder}} ${own})
    set(${result} FALSE PARENT_SCOPE)
    if(target STREQUAL "" OR target IN_LIST allowed)
        set(${result} TRUE PARENT_SCOPE)
        return()
    endif()
    # What lies inside a usable folder is usable too (ui/model with ui), except the Qt platform,
    # which only the application wires in, and the serial service, which only the platforms use.
    foreach(use IN LISTS allowed)
        if(target MATCHES "^${use}/" AND NOT target MATCHES "^platform/(qt|serial)$")
            set(${result} TRUE PARENT_SCOPE)
        endif()
    endforeach()
    if(folder STREQUAL "app" AND target MATCHES "^platform/(qt|serial)$")
        set(${result} TRUE PARENT_SCOPE)
    endif()
endfunction()

# The code of `file` without comments, strings and character literals, into `result`.
function(code_of file result)
    file(READ "${SOURCE_DIR}/${file}" text)
    string(REGEX REPLACE "/\\*([^*]|\\*+[^*/])*\\*+/" " " text "${text}")
    string(REGEX REPLACE "(^|[^:])//[^\n]*" "\\1" text "${text}")
    string(REGEX REPLACE "\"([^\"\\\\\n]|\\\\.)*\"" "\"\"" text "${text}")
    string(REGEX REPLACE "'([^'\\\\\n]|\\\\.)'" "' '" text "${text}")
    set(${result} "${text}" PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE files RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/src/*.h" "${SOURCE_DIR}/src/*.cpp"
     "${SOURCE_DIR}/app/*.h" "${SOURCE_DIR}/app/*.cpp")

# Where each type is defined: defined_<name> lists the folders (below src/) that define one in a
# header. A type defined in a source file is that file's own.
set(type_names "")
foreach(file IN LISTS files)
    layer_of("${file}" folder)
    if(folder STREQUAL "" OR NOT file MATCHES "\\.h$")
        continue()
    endif()
    string(REGEX REPLACE "^src/" "" folder "${folder}")
    code_of("${file}" code)
    set(space "[ \t\r\n]")
    set(name "[A-Za-z_][A-Za-z0-9_]*")
    string(REGEX MATCHALL
           "(^|[^A-Za-z0-9_])(class|struct|union|enum)${space}+((class|struct)${space}+)?${name}${space}*(final${space}*)?(:[^;{}()]*)?{"
           definitions "${code}")
    string(REGEX MATCHALL "(^|[^A-Za-z0-9_])using${space}+${name}${space}*=" aliases "${code}")
    foreach(definition IN LISTS definitions aliases)
        string(REGEX REPLACE
               "^[^A-Za-z0-9_]?(class|struct|union|enum|using)${space}+((class|struct)${space}+)?(${name}).*"
               "\\4" type "${definition}")
        if(NOT DEFINED defined_${type})
            list(APPEND type_names ${type})
        endif()
        list(APPEND defined_${type} ${folder})
        list(REMOVE_DUPLICATES defined_${type})
    endforeach()
endforeach()

list(LENGTH type_names type_count)
message(STATUS "${type_count} types defined in src/ and app/")

set(violations "")
foreach(file IN LISTS files)
    layer_of("${file}" folder)
    if(folder STREQUAL "")
        string(APPEND violations "  ${file} lies in no layer\n")
        continue()
    endif()

    file(STRINGS "${SOURCE_DIR}/${file}" includes REGEX "^#include \"")
    foreach(line IN LISTS includes)
        string(REGEX REPLACE "^#include \"([^\"]*)\".*" "\\1" header "${line}")
        # The folder of the header: ui/model/x.h is in ui/model, ui/x.h in ui.
        get_filename_component(header_folder "${header}" DIRECTORY)
        may_use("${folder}" "${header_folder}" ok)
        if(NOT ok)
            string(APPEND violations "  ${file} includes ${header}\n")
        endif()
    endforeach()

    # Every name in the code that is a type of the program: usable when one of the folders that
    # define it is. A forward declaration names its type as any use does.
    code_of("${file}" code)
    string(REGEX MATCHALL "[A-Za-z_][A-Za-z0-9_]*" words "${code}")
    list(REMOVE_DUPLICATES words)
    foreach(word IN LISTS words)
        if(NOT DEFINED defined_${word})
            continue()
        endif()
        set(ok FALSE)
        foreach(home IN LISTS defined_${word})
            may_use("${folder}" "${home}" usable)
            if(usable)
                set(ok TRUE)
                break()
            endif()
        endforeach()
        if(NOT ok)
            string(JOIN " or " homes ${defined_${word}})
            string(APPEND violations "  ${file} names ${word}, a type of ${homes}\n")
        endif()
    endforeach()
endforeach()

if(violations)
    message(FATAL_ERROR "Files that reach a layer above their own:\n${violations}")
endif()
message(STATUS "Every include and every type named in src/ and app/ stays in its own layer or one "
               "below it")
