# Warnings for the project's own targets; third-party code (the VST 3 SDK) is built without them.
function(tesselor_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()
