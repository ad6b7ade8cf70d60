file(REMOVE_RECURSE
  "libquib_platform.a"
)
