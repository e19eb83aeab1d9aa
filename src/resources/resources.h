#pragma once
#include <cstddef>

// A file of src/resources compiled into the program (see cmake/EmbedResources.cmake).
struct EmbeddedResource {
    const unsigned char* data; // null when there is no such resource
    size_t size;
};

// name is the path relative to src/resources, e.g. "toolbar/NEWU.svg".
EmbeddedResource findResource(const char* name);
