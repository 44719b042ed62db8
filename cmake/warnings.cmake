# Our own targets build warning-free; third-party headers (Qt, GoogleTest) come in as system includes.
function(rx48p_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()
