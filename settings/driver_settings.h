// The driver's registry settings: its registration and how it names the
// disk's mount folder.
#pragma once

// Start-up check: creates the entries with their defaults (in the current
// language) unless "Fixed" reads back as a number.
void ensureDriverSettings();
