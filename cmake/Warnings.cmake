# Applied to every target of the project through this function, so third-party code is not touched.
function(tarvico_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(TARVICO_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
