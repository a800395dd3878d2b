# Run by CPack between staging the .deb's files and packing them: every
# folder gets mode 0755, which an install does not promise under a strict
# umask (the folders are made with mkdir, which the umask masks).
file(GLOB_RECURSE folders LIST_DIRECTORIES true
     "${CPACK_TEMPORARY_DIRECTORY}/*")
foreach(folder ${CPACK_TEMPORARY_DIRECTORY} ${folders})
  if(IS_DIRECTORY "${folder}" AND NOT IS_SYMLINK "${folder}")
    file(CHMOD "${folder}" DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE
         OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  endif()
endforeach()
