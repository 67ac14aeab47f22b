# The facts of a YYYY-MM-DD release date that the packages need.
#   ksv_release_date(<date> <year-var> <epoch-var> <changelog-date-var>)
# The epoch (seconds since 1970 at its midnight UTC) goes to SOURCE_DATE_EPOCH; the changelog date
# is the RFC 2822 date of that midnight.
function(ksv_release_date date year_var epoch_var changelog_var)
    if(NOT date MATCHES "^([0-9][0-9][0-9][0-9])-([0-9][0-9])-([0-9][0-9])$")
        message(FATAL_ERROR "The release date \"${date}\" is not YYYY-MM-DD")
    endif()
    set(year ${CMAKE_MATCH_1})
    set(day_text ${CMAKE_MATCH_3})
    math(EXPR month "${CMAKE_MATCH_2}")
    math(EXPR day "${CMAKE_MATCH_3}")
    set(${year_var} ${year} PARENT_SCOPE)

    # Days since 1970 with the year counted from March, which puts the leap day last.
    set(march_year ${year})
    if(month LESS_EQUAL 2)
        math(EXPR march_year "${year} - 1")
    endif()
    math(EXPR days "${march_year} * 365 + ${march_year} / 4 - ${march_year} / 100 + ${march_year} / 400
                    + (153 * ((${month} + 9) % 12) + 2) / 5 + ${day} - 1 - 719468")
    math(EXPR epoch "${days} * 86400")
    set(${epoch_var} ${epoch} PARENT_SCOPE)

    math(EXPR weekday "(${days} + 4) % 7") # 1 January 1970 was a Thursday
    math(EXPR month "${month} - 1")
    set(weekdays Sun Mon Tue Wed Thu Fri Sat)
    set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
    list(GET weekdays ${weekday} weekday)
    list(GET months ${month} month)
    set(${changelog_var} "${weekday}, ${day_text} ${month} ${year} 00:00:00 +0000" PARENT_SCOPE)
endfunction()
