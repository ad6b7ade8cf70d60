# CMAKE generated file: DO NOT EDIT!
# Timestamp file for compiler generated dependencies management for quib_driver_without_entry.
