# SPDX-License-Identifier: MIT
# cmake -DLUPDATE=lupdate -DSOURCES=src -DFOLDERS=a;b -DCATALOGUE=file.ts -DSCRATCH=dir -P catalogue.cmake
#
# The English catalogue holds exactly the texts of the sources: the sources
# are read into a copy of it as the update_translations target reads them,
# and the copy must come out the same. A text added to the sources and not
# yet read in, or one that is gone from them, fails with the way to mend it.
file(MAKE_DIRECTORY "${SCRATCH}")
get_filename_component(name "${CATALOGUE}" NAME)
set(copy "${SCRATCH}/${name}")
file(COPY_FILE "${CATALOGUE}" "${copy}")
execute_process(
    COMMAND "${LUPDATE}" -silent -locations none -no-obsolete app common core engine link sequence shared workspace
            -ts "${copy}"
    WORKING_DIRECTORY "${SOURCES}"
    RESULT_VARIABLE status
    OUTPUT_VARIABLE output
    ERROR_VARIABLE output)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "lupdate failed (${status}):\n${output}")
endif()
file(READ "${CATALOGUE}" before)
file(READ "${copy}" after)
if(NOT before STREQUAL after)
    execute_process(COMMAND diff -u "${CATALOGUE}" "${copy}" OUTPUT_VARIABLE difference)
    message(FATAL_ERROR "${CATALOGUE} is not what the sources hold; build the target update_translations, "
                        "translate the new texts and commit the catalogue.\n${difference}")
endif()
