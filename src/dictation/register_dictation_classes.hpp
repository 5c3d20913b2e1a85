#pragma once
// Registration of the dictation classes, with everything below them, for the automation layer.
#include "object/class_registry.hpp"

namespace vz {

// Registers the request model's classes and the dictation classes in `registry`, and gives the
// work queue its extractor (clsWorkQueue.ExtractXML). Registering twice is harmless.
void RegisterDictationClasses(ClassRegistry& registry);

}  // namespace vz
