file(REMOVE_RECURSE
  "libquib_program.a"
)
