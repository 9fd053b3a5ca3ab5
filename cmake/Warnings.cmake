# Applied to every target of the project through this function, so third-party code is not touched.
#
# GCC 12's optimiser reports accesses that cannot happen inside its own std::string and
# std::vector code (operator+ on strings, insert after a list initialiser, memcpy of a size it
# cannot bound): -Wrestrict, -Warray-bounds and -Wstringop-overflow/-overread in optimised builds
# only. Those are switched off for GCC 12 so a Release build stays clean; the sanitizer builds, which
# check every access at run time, keep them.
function(tarvico_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12
     AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE
      $<$<NOT:$<CONFIG:Debug>>:-Wno-restrict -Wno-array-bounds -Wno-stringop-overflow -Wno-stringop-overread>)
  endif()
  if(TARVICO_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
