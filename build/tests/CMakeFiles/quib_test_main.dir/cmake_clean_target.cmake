file(REMOVE_RECURSE
  "libquib_test_main.a"
)
