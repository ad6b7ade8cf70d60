#include "ui/framework/program_values.h"

ModuleHandle instanceHandle = nullptr;
std::uint16_t languageId = 0;
EventHandle singleInstanceEvent = nullptr;
