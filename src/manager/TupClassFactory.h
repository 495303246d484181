// Creates the configurable objects of a package description by class name.
#pragma once

#include <memory>
#include <string>

#include "persist/PersistentObject.h"

namespace TupClassFactory {

using CreateFunction = std::unique_ptr<CPersistentObject> (*)();

// A new object of the class with exactly that name, or null when no class bears it.
std::unique_ptr<CPersistentObject> Create(const std::wstring& className);

// Adds a class (or replaces the creation function of one) under its name; returns the function
// it replaced, or null. A null create removes the class.
CreateFunction Register(const std::wstring& className, CreateFunction create);

}  // namespace TupClassFactory
