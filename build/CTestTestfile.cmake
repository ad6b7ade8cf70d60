# CMake generated Testfile for 
# Source directory: /work/main
# Build directory: /work/main/build
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
subdirs("platform")
subdirs("resources")
subdirs("device")
subdirs("protection")
subdirs("format")
subdirs("settings")
subdirs("ui")
subdirs("drive")
subdirs("help")
subdirs("tests")
