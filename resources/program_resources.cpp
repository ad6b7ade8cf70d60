#include "platform/module.h"

// SCAFFOLD until the dialog templates land: the module carries no resources.
const ModuleResources programResources = {nullptr, 0, nullptr, 0};
