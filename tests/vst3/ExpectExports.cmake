# expect_exports(FOUND): fails unless the list FOUND holds exactly the comma-separated EXPECTED, in
# any order.
function(expect_exports found)
    list(SORT found)
    string(REPLACE "," ";" expected "${EXPECTED}")
    list(SORT expected)
    if(NOT found STREQUAL expected)
        message(FATAL_ERROR "exports: ${found}; expected: ${expected}")
    endif()
endfunction()
