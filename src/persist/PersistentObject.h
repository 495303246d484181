// Base of every object whose settings move to and from a container.
#pragma once

#include <memory>

#include "persist/ObjContainer.h"

class CPersistentObject {
public:
    virtual ~CPersistentObject() = default;

    // A new container holding what Exchange writes; the caller owns it.
    virtual std::unique_ptr<ObjContainer> Save() {
        auto container = std::make_unique<ObjContainer>();
        Exchange(container.get(), false);
        return container;
    }

    // Reads the settings from container; nothing happens for a null one.
    virtual void Load(ObjContainer* container) {
        if (container) Exchange(container, true);
    }

    // Reads (isLoading) or writes this object's settings; the base has none.
    virtual void Exchange(ObjContainer* /*container*/, bool /*isLoading*/) {}
};
