#include "platform/resources.h"

#include <cstring>

namespace {
bool enabled = true;
}

const EmbeddedFile* findResource(const char* name) {
    if (!enabled || !name) return nullptr;
    for (const EmbeddedFile* f = embeddedFiles; f->name; ++f)
        if (std::strcmp(f->name, name) == 0) return f;
    return nullptr;
}

void setResourcesEnabled(bool on) { enabled = on; }

bool resourcesEnabled() { return enabled; }
