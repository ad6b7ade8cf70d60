#include "settings/driver_settings.h"

// SCAFFOLD until the registry store lands: nothing is checked or written.
void ensureDriverSettings() {}
