# pyokopon_metainfo(SOURCE CHANGELOG OUTPUT)
#
# Writes the AppStream metainfo SOURCE to OUTPUT with its <releases> made from
# the Debian CHANGELOG: one <release> for each entry, newest first, with the
# entry's version, the day of its trailer line and its items as the release
# notes, one list item each. SOURCE keeps a <releases> of its own so that it
# validates by itself; the build replaces it whole, so the installed file
# always follows the changelog. Editing either file configures the build again.

# Ends the item being read: adds it to the notes as a list item.
macro(_pyokopon_release_note)
    if(NOT item STREQUAL "")
        string(REPLACE "&" "&amp;" item "${item}")
        string(REPLACE "<" "&lt;" item "${item}")
        string(REPLACE ">" "&gt;" item "${item}")
        string(APPEND notes "          <li>${item}</li>\n")
        set(item "")
    endif()
endmacro()

function(pyokopon_metainfo source changelog output)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source} ${changelog})
    file(STRINGS ${changelog} lines)
    set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
    set(releases "")
    set(version "")
    set(notes "")  # the finished items of the entry, as <li> elements
    set(item "")   # the item being read, which may go on over several lines
    foreach(line IN LISTS lines)
        if(line STREQUAL "")
            # Empty lines only separate.
        elseif(line MATCHES "^[a-z0-9][a-z0-9.+-]* \\(([^)]+)\\)" AND version STREQUAL "")
            set(version ${CMAKE_MATCH_1})
        elseif(line MATCHES "^  \\* (.*)" AND NOT version STREQUAL "")
            _pyokopon_release_note()
            set(item "${CMAKE_MATCH_1}")
        elseif(line MATCHES "^    +(.*)" AND NOT item STREQUAL "")
            string(APPEND item " ${CMAKE_MATCH_1}")
        elseif(line MATCHES "^ -- .*>  [A-Z][a-z][a-z], ([0-9]?[0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) "
               AND NOT item STREQUAL "")
            _pyokopon_release_note()
            list(FIND months ${CMAKE_MATCH_2} month)
            if(month LESS 0)
                message(FATAL_ERROR "${changelog}: no month '${CMAKE_MATCH_2}' in '${line}'")
            endif()
            math(EXPR month "${month} + 1")
            string(LENGTH "${month}" digits)
            if(digits EQUAL 1)
                set(month 0${month})
            endif()
            set(day ${CMAKE_MATCH_1})
            string(LENGTH "${day}" digits)
            if(digits EQUAL 1)
                set(day 0${day})
            endif()
            string(APPEND releases "    <release version=\"${version}\" date=\"${CMAKE_MATCH_3}-${month}-${day}\">\n"
                                   "      <description>\n        <ul>\n${notes}        </ul>\n"
                                   "      </description>\n    </release>\n")
            set(version "")
            set(notes "")
        else()
            message(FATAL_ERROR "${changelog}: '${line}' is not where a changelog entry's version line, "
                                "items or dated trailer line would be")
        endif()
    endforeach()
    if(releases STREQUAL "" OR NOT version STREQUAL "")
        message(FATAL_ERROR "${changelog}: every entry needs a version line, items and a dated trailer line")
    endif()

    file(READ ${source} metainfo)
    string(FIND "${metainfo}" "<releases>" start)
    string(FIND "${metainfo}" "</releases>" end)
    if(start LESS 0 OR end LESS start)
        message(FATAL_ERROR "${source} has no <releases> for the changelog's releases")
    endif()
    string(SUBSTRING "${metainfo}" 0 ${start} head)
    string(SUBSTRING "${metainfo}" ${end} -1 tail)
    file(CONFIGURE OUTPUT ${output} CONTENT "${head}<releases>\n${releases}  ${tail}" @ONLY)
endfunction()
