# Optional parts of the build: the program itself needs only GL, GLU and GLUT.
# Each part's variable is AUTO (the default), ON or OFF: AUTO builds the part
# where its dependencies are found and says in one line which Debian packages
# it lacks otherwise; ON insists and stops the configure when one is missing.

function(quendrel_part name description)
  set(${name} AUTO CACHE STRING "${description}: AUTO (where its dependencies are found), ON or OFF")
  set_property(CACHE ${name} PROPERTY STRINGS AUTO ON OFF)
endfunction()

# Appends `package` to the list `missingList` unless `found` is true.
macro(quendrel_need missingList found package)
  if(NOT ${found})
    list(APPEND ${missingList} ${package})
  endif()
endmacro()

# Decides a part from what it lacks (the Debian packages after `what`). From
# then on the part's variable holds the decision, ON or OFF, as a normal
# variable over the cached choice, so every directory below reads it plainly.
function(quendrel_decide name what)
  set(missing ${ARGN})
  string(TOUPPER "${${name}}" choice)
  if(choice STREQUAL "AUTO")
    if(missing)
      list(JOIN missing " " packages)
      message(STATUS "Leaving out ${what}; to build them, install: ${packages}")
      set(${name} OFF PARENT_SCOPE)
    else()
      set(${name} ON PARENT_SCOPE)
    endif()
  elseif(${name})
    if(missing)
      list(JOIN missing " " packages)
      message(FATAL_ERROR "${name}=ON, but ${what} cannot be built without: ${packages}")
    endif()
    set(${name} ON PARENT_SCOPE)
  else()
    set(${name} OFF PARENT_SCOPE)
  endif()
endfunction()
