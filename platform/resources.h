// The executable's own files: every bitmap under assets/bitmaps and the icon,
// embedded at build time as a name-to-bytes table (tools/embed.cpp).
#pragma once

#include <cstddef>

struct EmbeddedFile {
    const char* name;
    const unsigned char* data;
    size_t size;
};

// The embedded file of that name, or null. Always null while embedded files
// are switched off (an executable "without resources", for trying artwork).
const EmbeddedFile* findResource(const char* name);

void setResourcesEnabled(bool on);
bool resourcesEnabled();

// The generated table (resources_table.cpp), ended by an entry with a null name.
extern const EmbeddedFile embeddedFiles[];
