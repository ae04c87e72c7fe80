# marel_require_tools(WHAT TOOL:PACKAGE...): finds each program the tests of
# WHAT start (cached as MAREL_TOOL_<TOOL>) and stops the configure naming
# every one missing and its Debian package, so that no test can skip, or
# fail late, for want of a tool. A cached path that no longer exists counts
# as missing.
function(marel_require_tools what)
    set(missing "")
    foreach(pair IN LISTS ARGN)
        string(REPLACE ":" ";" pair "${pair}")
        list(GET pair 0 tool)
        list(GET pair 1 package)
        string(MAKE_C_IDENTIFIER "MAREL_TOOL_${tool}" var)
        find_program(${var} ${tool})
        if(NOT ${var} OR NOT EXISTS "${${var}}")
            unset(${var} CACHE)
            list(APPEND missing "${tool} (${package})")
        endif()
    endforeach()
    if(missing)
        list(JOIN missing ", " missing)
        message(FATAL_ERROR "${what} need ${missing}: install it, or configure with -DBUILD_TESTING=OFF "
                            "to build only the program")
    endif()
endfunction()
