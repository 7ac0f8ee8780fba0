# SPDX-License-Identifier: MIT
# cmake -DMODE=snapshot|compare -DSNAPSHOT=file -P usersettings.cmake
#
# The real user's settings before and after the suite: snapshot lists every
# file under the user's configuration folder ($XDG_CONFIG_HOME, else
# ~/.config) and Qt's test-mode folder (~/.qttest) with its size, time and
# SHA-256; compare lists them again and fails, naming the files, when anything
# was added, removed or rewritten.
set(roots)
if(DEFINED ENV{XDG_CONFIG_HOME} AND NOT "$ENV{XDG_CONFIG_HOME}" STREQUAL "")
    list(APPEND roots "$ENV{XDG_CONFIG_HOME}")
else()
    list(APPEND roots "$ENV{HOME}/.config")
endif()
list(APPEND roots "$ENV{HOME}/.qttest")

set(listing "")
foreach(root IN LISTS roots)
    if(NOT IS_DIRECTORY "${root}")
        string(APPEND listing "${root}: none\n")
        continue()
    endif()
    file(GLOB_RECURSE entries LIST_DIRECTORIES true "${root}/*")
    list(SORT entries)
    foreach(entry IN LISTS entries)
        if(IS_DIRECTORY "${entry}" OR IS_SYMLINK "${entry}")
            string(APPEND listing "${entry}\n")
            continue()
        endif()
        file(SIZE "${entry}" size)
        file(TIMESTAMP "${entry}" time "%Y-%m-%dT%H:%M:%S")
        file(SHA256 "${entry}" hash)
        string(APPEND listing "${entry} ${size} ${time} ${hash}\n")
    endforeach()
endforeach()

if(MODE STREQUAL "snapshot")
    file(WRITE "${SNAPSHOT}" "${listing}")
elseif(MODE STREQUAL "compare")
    file(READ "${SNAPSHOT}" before)
    if(NOT before STREQUAL listing)
        file(WRITE "${SNAPSHOT}.after" "${listing}")
        execute_process(COMMAND diff "${SNAPSHOT}" "${SNAPSHOT}.after" OUTPUT_VARIABLE changes)
        message(FATAL_ERROR "The tests changed the user's settings:\n${changes}")
    endif()
else()
    message(FATAL_ERROR "MODE is snapshot or compare")
endif()
