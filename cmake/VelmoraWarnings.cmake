# Warnings are set per target so that only our own code is held to them.
function(velmora_set_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# The extension library shows only what is marked VELMORA_EXPORT.
function(velmora_hide_symbols target)
  set_target_properties(${target} PROPERTIES
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
endfunction()
