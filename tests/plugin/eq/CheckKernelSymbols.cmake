# Fails when an object of an AVX build of the loop (EqKernelFma, EqKernelAvx512) defines external
# code that does not name that build's namespace: such a function (an inline function or a
# template instance) could be kept by the linker in place of its baseline twin and then run on a
# processor without AVX. Data (constant tables, the unwinder's references) holds no instructions
# and may be shared.
set(bad)
foreach(object ${OBJECTS})
    if(object MATCHES "EqKernelFma")
        set(build fma)
    elseif(object MATCHES "EqKernelAvx512")
        set(build avx512)
    else()
        continue()
    endif()
    execute_process(COMMAND "${NM}" -C --defined-only -g "${object}"
                    OUTPUT_VARIABLE out RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "nm failed on ${object}")
    endif()
    string(REGEX MATCHALL "[^\n]+" lines "${out}")
    foreach(line ${lines})
        # Code: T (text), W (weak, which for C++ means inline functions and template instances)
        # and i (indirect functions).
        if(NOT line MATCHES "^[0-9a-fA-F]* *[TWi] ")
            continue()
        endif()
        string(REGEX REPLACE "^[0-9a-fA-F]* *[A-Za-z] " "" name "${line}")
        if(NOT name MATCHES "::simd::${build}::")
            list(APPEND bad "${build}: ${name}")
        endif()
    endforeach()
endforeach()
if(bad)
    string(REPLACE ";" "\n  " bad "${bad}")
    message(FATAL_ERROR "symbols outside their build's namespace:\n  ${bad}")
endif()
