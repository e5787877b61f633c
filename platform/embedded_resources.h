// Resources of the POSIX build: each program links generated tables that
// register themselves at start-up, so FindResourceA sees what windres would
// have put into the executable on Windows.
#pragma once

#include <cstddef>

namespace platform {

struct EmbeddedResource {
    const char *type;
    const char *name;
    int language;
    const unsigned char *bytes;
    std::size_t size;
};

// Links a resource into the program's list; one static instance per resource.
struct ResourceRegistration {
    explicit ResourceRegistration(const EmbeddedResource &resource);
    const EmbeddedResource *resource;
    const ResourceRegistration *next;
};

const ResourceRegistration *first_resource_registration();

} // namespace platform
