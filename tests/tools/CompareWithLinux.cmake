# The Windows DLL, run under Wine by the Windows test host, against the Linux module run by the
# Linux test host: the same noise through the same settings must come out the same, within
# LIMIT_DB below the peak (the loop builds each system picks at run time may differ), and once
# more with both forced onto the x86-64 baseline build of the loop. Skipped, saying so, when the
# Linux build (LINUX_DIR, with its tesselor-host and Tesselor.vst3) is not there.
#   cmake -DLINUX_DIR=... -DWINDOWS_HOST=... -DWINDOWS_BUNDLE=... -DWINE=scripts/wine
#         -DPREFIX=... -DSCRATCH=... -DLIMIT_DB=-140 -P CompareWithLinux.cmake
cmake_minimum_required(VERSION 3.25)
set(linux_host "${LINUX_DIR}/tesselor-host")
set(linux_bundle "${LINUX_DIR}/Tesselor.vst3")
if(NOT EXISTS "${linux_host}" OR NOT EXISTS "${linux_bundle}")
    message(STATUS "skipped: no Linux build with tesselor-host and Tesselor.vst3 in ${LINUX_DIR}")
    return()
endif()
file(MAKE_DIRECTORY "${SCRATCH}")

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(NOT rc EQUAL 0)
        string(REPLACE ";" " " command "${ARGN}")
        message(FATAL_ERROR "${command}\n${out}")
    endif()
    set(output "${out}" PARENT_SCOPE)
endfunction()

set(input "${SCRATCH}/linux-compare-in.f64")
run("${linux_host}" noise "${input}" --seconds 1 --seed 5)

# Each case: the options of one render, "|"-separated.
set(cases
    "--set|LGain=0.8|--set|LFreq=0.4|--set|HMGain=0.3|--set|HGain=0.7|--set|HP=0.3|--set|HPLP=1|--set|Gain=-3"
    "--set|Bell=1|--set|Oversample=1|--set|LMGain=0.9|--set|LP=0.5|--set|HPLP=1"
    "--block|64")
foreach(kernel "" baseline)
    set(ENV{TESSELOR_KERNEL} "${kernel}")
    set(n 0)
    foreach(case ${cases})
        math(EXPR n "${n} + 1")
        string(REPLACE "|" ";" options "${case}")
        set(linux_out "${SCRATCH}/linux-compare-${n}${kernel}.f64")
        set(windows_out "${SCRATCH}/windows-compare-${n}${kernel}.f64")
        run("${linux_host}" render "${input}" "${linux_out}" ${options} --plugin "${linux_bundle}")
        run("${WINE}" run "${PREFIX}" "${WINDOWS_HOST}" render "${input}" "${windows_out}"
            ${options} --plugin "${WINDOWS_BUNDLE}")
        run("${linux_host}" compare "${linux_out}" "${windows_out}" --limit "${LIMIT_DB}")
        string(STRIP "${output}" output)
        string(REPLACE "|" " " shown "${case}")
        message(STATUS "${shown}${kernel}: ${output}")
    endforeach()
endforeach()
